// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull window's screen tap through its real widgets: the box feeds
// the calculation and both companion windows, and an empty or zero tap is
// the pentode connection as before. (The tap's bad input is the stage's:
// tst_pushpulltap.)
#include "windowfixture.h"

#include "anodix/stages/solvecount.h"
#include "anodix/windows/dvuhtakt.h"

using anodix::FormWindow;
using anodix::WindowId;

namespace {

// The EL34 of the bundled database (data/bd/tetrod/EL34.lamp).
const QStringList kEL34Record{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"};

void typeAll(const FormWindow *window, const Texts &texts)
{
    for (const auto &[box, text] : texts) {
        auto *edit = control<QLineEdit>(window, box);
        QVERIFY2(edit, qPrintable(box));
        edit->clear();
        QTest::keyClicks(edit, text);
    }
}

} // namespace

class PushPullTapWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY2(endRun(m_app).isEmpty(), "a window or a question was left behind"); }

    // The damping factor rises from the pentode's through the ultralinear to
    // the triode-connected pair's, and the pentode's figures are those of
    // the window before the box was there.
    void theTapBoxMovesTheScreensOntoThePrimary_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("decimal point") << kPointLocale;
        QTest::newRow("decimal comma") << kCommaLocale;
    }
    void theTapBoxMovesTheScreensOntoThePrimary()
    {
        QFETCH(QLocale, locale);
        m_app = std::make_unique<WindowFixture>(locale);
        m_app->writeRecord(anodix::TubeClass::PowerPentode, QStringLiteral("EL34.lamp"), kEL34Record);
        FormWindow *window = m_app->open(WindowId::Dvuhtakt);
        pickRecord(window, QStringLiteral("EL34.lamp"));
        const QString comma = QString(locale.decimalPoint());
        typeAll(window, {{"Ea", "430"}, {"Ug2", "430"}, {"Fn1", "20"}, {"R11", "470"}, {"Rn", "8"},
                         {"Raa", "6" + comma + "6"}, {"Rk", "220"}});
        double last = -1;
        QString pentodePower;
        for (const char *tap : {"", "0", "43", "100"}) {
            typeAll(window, {{"Otvod", QString::fromLatin1(tap)}});
            clickButton(window, QStringLiteral("Command1"));
            QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
            const double damping = locale.toDouble(outputText(window, QStringLiteral("Kd")));
            const double ri = locale.toDouble(outputText(window, QStringLiteral("Ri")));
            QVERIFY2(ri > 0 && damping > 0, qPrintable(outputText(window, QStringLiteral("Ri"))));
            // Kd = Raa / (2·Ri), both as shown to three digits.
            QVERIFY(std::abs(damping * 2 * ri / 6.6 - 1) < 0.01);
            if (QByteArray(tap) == "0") {
                QCOMPARE(outputText(window, QStringLiteral("Pout")), pentodePower);
                QCOMPARE(damping, last);
            } else {
                QVERIFY2(damping > last, tap);
            }
            pentodePower = outputText(window, QStringLiteral("Pout"));
            last = damping;
            // The spoken name of the new results: caption, value and unit.
            QCOMPARE(control<QLabel>(window, QStringLiteral("Ri"))->accessibleName(),
                     QStringLiteral("Внутреннее сопротивление лампы ") + outputText(window, QStringLiteral("Ri"))
                         + QStringLiteral(" кОм"));
        }

        // F6 draws the tube in that connection and names the tap among its inputs.
        triggerItem(window, QStringLiteral("Harakteristiki_Menu"));
        FormWindow *characteristics = shownWindow(QStringLiteral("Harakteristiki"));
        QVERIFY(characteristics);
        QVERIFY2(outputText(characteristics, QStringLiteral("Ishodnye"))
                     .contains(QStringLiteral("Отвод экранных сеток = 100 %")),
                 qPrintable(outputText(characteristics, QStringLiteral("Ishodnye"))));
        window->close();
    }

    // The tapped pair is solved once for the window and both companions,
    // and the frequency window shows that calculation.
    void aTappedPairIsSolvedOnceForAllItsWindows()
    {
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(anodix::TubeClass::PowerPentode, QStringLiteral("EL34.lamp"), kEL34Record);
        FormWindow *window = m_app->open(WindowId::Dvuhtakt);
        pickRecord(window, QStringLiteral("EL34.lamp"));
        triggerItem(window, QStringLiteral("Harakteristiki_Menu"));
        triggerItem(window, QStringLiteral("Chastota_Menu"));
        typeAll(window, {{"Ea", "430"}, {"Fn1", "20"}, {"R11", "470"}, {"Rn", "8"}, {"Raa", "6.6"}, {"Rk", "220"},
                         {"Otvod", "43"}});
        const int before = anodix::stage::solvesSoFar();
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        QCOMPARE(anodix::stage::solvesSoFar() - before, 1);
        QVERIFY(outputText(shownWindow(QStringLiteral("Chastota")), QStringLiteral("Lampa"))
                    .contains(QStringLiteral("EL34")));
        QVERIFY(outputText(shownWindow(QStringLiteral("Harakteristiki")), QStringLiteral("Ishodnye"))
                    .contains(QStringLiteral("Отвод экранных сеток = 43 %")));
        window->close();
    }

private:
    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(PushPullTapWindowTest)
#include "tst_pushpulltapwindow.moc"
