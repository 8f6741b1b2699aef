// SPDX-License-Identifier: GPL-3.0-or-later
// The look Grideon's windows share: fonts found under installed names, the
// schematic drawn without any font, and one program icon.
#include "grideon/formlayout.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include <cmath>

using namespace grideon;

class TestFormLayout : public QObject
{
    Q_OBJECT

private slots:
    void fontsAreAskedForUnderAnInstalledName_data();
    void fontsAreAskedForUnderAnInstalledName();
    void everyLabelOfTheSchematicIsDrawn_data();
    void everyLabelOfTheSchematicIsDrawn();
    void windowsTakeTheProgramsIconOnceItIsSet();
};

void TestFormLayout::fontsAreAskedForUnderAnInstalledName_data()
{
    QTest::addColumn<FontSpec>("fontSpec");
    QTest::addColumn<QString>("twin");

    QTest::newRow("Times New Roman 12 bold") << kTimesBold12 << "Liberation Serif";
    QTest::newRow("Times New Roman 14.25 bold") << kTimesBold1425 << "Liberation Serif";
    QTest::newRow("Times New Roman 15.75 bold") << kTimesBold1575 << "Liberation Serif";
    QTest::newRow("Arial 12 bold") << kArialBold12 << "Liberation Sans";
    QTest::newRow("MS Sans Serif 12, drawn as Arial") << kSansSerif12 << "Liberation Sans";
}

// The font is the one the system would draw for the designer's name, asked
// for by a family that is installed, so that Qt need not search for it.
void TestFormLayout::fontsAreAskedForUnderAnInstalledName()
{
    QFETCH(FontSpec, fontSpec);
    QFETCH(QString, twin);
    const QString named = QString::fromLatin1(fontSpec.family);
    const QFont font = fontFor(fontSpec, QFont());

    QCOMPARE(QFontInfo(font).family(), QFontInfo(QFont(named)).family());
    QCOMPARE(font.pixelSize(), int(std::lround(fontSpec.points * 96.0 / 72.0)));
    QCOMPARE(font.bold(), fontSpec.bold);
    if (!QFontDatabase::hasFamily(named) && !QFontDatabase::hasFamily(twin))
        QSKIP("neither the font nor its metric twin is installed");
    QVERIFY2(QFontDatabase::hasFamily(font.family()), qPrintable(font.family()));
    if (QFontDatabase::hasFamily(named))
        QCOMPARE(font.family(), named);
}

void TestFormLayout::everyLabelOfTheSchematicIsDrawn_data()
{
    // Where each label of the 346 x 180 drawing stands, clear of its lines.
    QTest::addColumn<QRect>("place");
    QTest::newRow("ВХОД") << QRect(4, 110, 32, 8);
    QTest::newRow("C1") << QRect(48, 56, 14, 8);
    QTest::newRow("R1") << QRect(78, 110, 13, 8);
    QTest::newRow("VL1") << QRect(210, 42, 18, 8);
    QTest::newRow("R2") << QRect(196, 120, 14, 8);
    QTest::newRow("R3") << QRect(271, 44, 14, 8);
    QTest::newRow("+Ea") << QRect(252, 88, 20, 8);
    QTest::newRow("C2") << QRect(287, 37, 14, 8);
    QTest::newRow("ВЫХОД") << QRect(305, 82, 37, 8);
}

void TestFormLayout::everyLabelOfTheSchematicIsDrawn()
{
    QFETCH(QRect, place);
    QSvgRenderer drawing(QStringLiteral(":/grideon/schematic.svg"));
    QVERIFY(drawing.isValid());
    QImage image(346, 180, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawing.render(&painter);
    painter.end();

    int inked = 0;
    for (int y = place.top(); y <= place.bottom(); ++y)
        for (int x = place.left(); x <= place.right(); ++x)
            inked += qGray(image.pixel(x, y)) < 128;
    QVERIFY2(inked >= 8, qPrintable(QStringLiteral("%1 dark pixels").arg(inked)));
}

void TestFormLayout::windowsTakeTheProgramsIconOnceItIsSet()
{
    const QIcon own = programIcon();
    QVERIFY(!own.pixmap(32).isNull());
    QApplication::setWindowIcon(own);
    QCOMPARE(programIcon().cacheKey(), own.cacheKey());
    QApplication::setWindowIcon(QIcon());
    QVERIFY(programIcon().cacheKey() != own.cacheKey());
    QVERIFY(!programIcon().pixmap(32).isNull());
}

QTEST_MAIN(TestFormLayout)
#include "tst_formlayout.moc"
