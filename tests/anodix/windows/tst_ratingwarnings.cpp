// SPDX-License-Identifier: GPL-3.0-or-later
// The ratings beside a record in the windows: a warning line in the stage
// window and in its characteristics window when the stage exceeds them, none
// below them, and a ratings file that cannot be used named once.
#include "windowfixture.h"

#include "anodix/forms/formwindow.h"

#include <memory>

using anodix::FormWindow;
using anodix::TubeClass;
using anodix::WindowId;

namespace {

void writeLimits(const WindowFixture &app, TubeClass tubeClass, const QString &name, const QByteArray &bytes)
{
    QFile file(app.dir.filePath(classFolder(tubeClass) + QLatin1Char('/') + name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QLabel *warningLine(const FormWindow *window)
{
    return control<QLabel>(window, QStringLiteral("Preduprezhdenie"));
}

} // namespace

class RatingWarningsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const QString fault = endRun(m_app);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void aLineInTheWindowWarnsAboveTheRatingAndNotBelowIt_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QByteArray>("limits"); // empty: no ratings file
        // A tenth of a milliwatt is below every stage's anode; a megawatt above it.
        for (const auto &[id, name] : {std::pair{WindowId::Triod, "triode preamplifier"},
                                       {WindowId::Pentod, "pentode preamplifier"},
                                       {WindowId::Tetrod, "pentode power stage"},
                                       {WindowId::TriodVihod, "triode power stage"},
                                       {WindowId::Dvuhtakt, "push-pull stage"}}) {
            QTest::addRow("%s above its rating", name) << id << QByteArray("pa_max_w = 0.0001\n");
            QTest::addRow("%s below its rating", name) << id << QByteArray("pa_max_w = 1000000\n");
            QTest::addRow("%s without ratings", name) << id << QByteArray();
        }
    }

    void aLineInTheWindowWarnsAboveTheRatingAndNotBelowIt()
    {
        QFETCH(WindowId, id);
        QFETCH(QByteArray, limits);
        const bool warns = limits.contains("0.0001");
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        if (!limits.isEmpty())
            writeLimits(*m_app, s.tubeClass, QStringLiteral("tube.limits"), limits);
        FormWindow *window = m_app->open(id);
        const int designedHeight = window->client()->height();
        pickRecord(window, QStringLiteral("tube.lamp"));
        QVERIFY(calculatesWorkedExample(window, m_app->dialogs, s));

        QLabel *line = warningLine(window);
        QCOMPARE(line->isVisible(), warns);
        if (!warns) {
            QCOMPARE(line->text(), QString());
            QCOMPARE(line->accessibleName(), QStringLiteral("Предупреждений нет"));
            QCOMPARE(window->client()->height(), designedHeight);
            window->close();
            return;
        }
        QVERIFY2(line->text().startsWith(QStringLiteral("Мощность на аноде ")), qPrintable(line->text()));
        QVERIFY(line->text().endsWith(QStringLiteral(" больше допустимой 0.0001 Вт")));
        // One warning a line; a screen reader hears them all after one word.
        QCOMPARE(line->accessibleName(),
                 QStringLiteral("Предупреждение: ") + line->text().split(u'\n').join(QStringLiteral("; ")));
        // Under the form, whole, in a window grown to hold it.
        QVERIFY(line->geometry().top() >= designedHeight);
        QVERIFY(window->client()->rect().contains(line->geometry()));
        QVERIFY(line->height() >= line->heightForWidth(line->width()));

        // A failed calculation takes the warning away with the results it stood by.
        typeInto(window, QStringLiteral("Ea"), QStringLiteral("x"));
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{kInputError});
        QVERIFY(!line->isVisible());
        QCOMPARE(window->client()->height(), designedHeight);
        window->close();
    }

    void aMalformedRatingsFileIsNamedOnceAndTheTubeGoesWithoutRatings()
    {
        const Stage s = stage(WindowId::TriodVihod);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("300B.lamp"), s.record);
        m_app->writeRecord(s.tubeClass, QStringLiteral("2A3.lamp"), s.record);
        writeLimits(*m_app, s.tubeClass, QStringLiteral("300B.limits"), "pa_max_w = 0,0001\n");
        FormWindow *window = m_app->open(WindowId::TriodVihod);
        const QString named = QStringLiteral("Файл допустимых режимов «300B.limits» не учтён: строка 1: значение "
                                             "«0,0001» — не число вида 25 или 2.75.");
        pickRecord(window, QStringLiteral("300B.lamp"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{named});
        QCOMPARE(m_app->dialogs.asked.first().title, QStringLiteral("Ошибка"));
        pickRecord(window, QStringLiteral("2A3.lamp"));
        pickRecord(window, QStringLiteral("300B.lamp"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{named});
        m_app->dialogs.asked.clear();
        QVERIFY(calculatesWorkedExample(window, m_app->dialogs, s));
        QVERIFY(!warningLine(window)->isVisible());
        window->close();
    }

    void theCharacteristicsWindowShowsTheSameWarning()
    {
        const Stage s = stage(WindowId::TriodVihod);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("300B.lamp"), s.record);
        // The worked example idles at 18 W.
        writeLimits(*m_app, s.tubeClass, QStringLiteral("300B.limits"), "pa_max_w = 15\nsource = test\n");
        FormWindow *window = m_app->open(WindowId::TriodVihod);
        pickRecord(window, QStringLiteral("300B.lamp"));
        QVERIFY(calculatesWorkedExample(window, m_app->dialogs, s));
        triggerItem(window, QStringLiteral("Harakteristiki_Menu"));
        FormWindow *characteristics = shownWindow(QStringLiteral("Harakteristiki"));
        QVERIFY(characteristics);
        QLabel *line = warningLine(characteristics);
        QVERIFY(line && line->isVisible());
        QCOMPARE(line->text(), warningLine(window)->text());
        QCOMPARE(line->text(), QStringLiteral("Мощность на аноде 18 Вт больше допустимой 15 Вт"));
        QCOMPARE(line->accessibleName(), QStringLiteral("Предупреждение: ") + line->text());
        window->close();
    }

private:
    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(RatingWarningsTest)
#include "tst_ratingwarnings.moc"
