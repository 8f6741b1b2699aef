// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears in Anodix's windows: a name for every control,
// boxes named by their captions, results spoken with caption, value and unit.
#include "windowfixture.h"

#include "anodix/forms/formwindow.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <memory>

using anodix::FormWindow;
using anodix::TubeClass;
using anodix::WindowId;

namespace {

// The name a screen reader speaks for the control.
QString spokenName(QWidget *widget)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

QString spokenName(const FormWindow *window, const QString &name)
{
    QWidget *widget = control(window, name);
    return widget ? spokenName(widget) : QStringLiteral("<no %1>").arg(name);
}

bool isLine(const QWidget *widget)
{
    return widget->metaObject() == &QFrame::staticMetaObject;
}

QString inLocale(QString text, const QLocale &locale)
{
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const QString fault = endRun(m_app);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void everyControlHasANameToSpeak_data()
    {
        addWindowRows({WindowId::Obshaya, WindowId::About, WindowId::Triod, WindowId::Pentod, WindowId::Tetrod,
                       WindowId::TriodVihod, WindowId::Dvuhtakt, WindowId::Files, WindowId::Files_Pentod, WindowId::Files_Pentod_Vihod,
                       WindowId::Povtoritel, WindowId::FazoinvertorRN});
    }

    void everyControlHasANameToSpeak()
    {
        QFETCH(WindowId, id);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        int named = 0;
        for (QWidget *widget : window->client()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (isLine(widget))
                continue;
            QVERIFY2(!spokenName(widget).trimmed().isEmpty(), qPrintable(widget->objectName()));
            ++named;
        }
        QVERIFY(named > 3);
        window->close();
    }

    void boxesAndListsAreNamedByTheCaptionBesideThem_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QStringList>("expected"); // control, name, control, name...
        const QStringList three{"Ea", "Ea (напряжение питания)", "Fn1", "Мин. частота пропускания",
                                "R11", "Номинал R1, кОм", "File", "Выберите радиолампу:"};
        const QStringList record{"File", "Выбор лампы:", "Un", "Uн (напряжение накала), В",
                                 "In2", "In (ток накала), А", "Ua", "Ua (напряжение анода), В",
                                 "Ia", "Ia (ток анода), мА", "Uc", "Uc (пост. напряжение управ. сетки), В",
                                 "S", "S (крутизна характеристики), мА/В", "Ku", "Коеффициент усиления",
                                 "Ri", "Ri (внутреннее сопротивление), кОм"};
        const QStringList screen{"U2", "Ug2 (напряжение 2 сетки), В", "I2", "Ig2 (ток 2 сетки), мА"};
        QTest::newRow("triode window") << WindowId::Triod << three;
        QTest::newRow("pentode window") << WindowId::Pentod << three;
        QTest::newRow("power stage window")
            << WindowId::Tetrod << three + QStringList{"Rn", "Сопротивление нагрузки"};
        QTest::newRow("triode power stage window")
            << WindowId::TriodVihod
            << three + QStringList{"Rn", "Сопротивление нагрузки", "Kn", "Отношение Ra / Ri"};
        QTest::newRow("push-pull stage window")
            << WindowId::Dvuhtakt
            << QStringList{"Ea",  "Ea (напряжение питания)",       "Ug2", "Напряжение на экранных сетках",
                           "Fn1", "Мин. частота пропускания",      "R11", "Номинал R1, кОм",
                           "Rn",  "Сопротивление нагрузки",        "Raa", "Нагрузка анод–анод, кОм",
                           "Rk",  "Общий катодный резистор, Ом",
                           "Otvod", "Отвод экранных сеток, % (0 — пентодное включение, 100 — триодное)",
                           "File", "Выберите радиолампу:"};
        QTest::newRow("triode editor") << WindowId::Files << record;
        QTest::newRow("preamplifier pentode editor") << WindowId::Files_Pentod << record + screen;
        QTest::newRow("power pentode editor") << WindowId::Files_Pentod_Vihod << record + screen;
    }

    void boxesAndListsAreNamedByTheCaptionBesideThem()
    {
        QFETCH(WindowId, id);
        QFETCH(QStringList, expected);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        QStringList named;
        for (int i = 0; i < expected.size(); i += 2) {
            QCOMPARE(spokenName(window, expected[i]), expected[i + 1]);
            named.append(expected[i]);
        }
        // No box of the window is left out of the table.
        for (const QLineEdit *box : window->client()->findChildren<QLineEdit *>())
            QVERIFY2(named.contains(box->objectName()), qPrintable(box->objectName()));
        window->close();
    }

    void picturesAreNamedAndDescribed_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mentioned"); // a part the description must mention
        QTest::newRow("About") << WindowId::About << "Значок программы Anodix" << QString();
        QTest::newRow("triode window") << WindowId::Triod << "Схема каскада" << "C3";
        QTest::newRow("pentode window") << WindowId::Pentod << "Схема каскада" << "C4";
        QTest::newRow("power stage window") << WindowId::Tetrod << "Схема каскада" << "Тр1";
        QTest::newRow("triode power stage window") << WindowId::TriodVihod << "Схема каскада" << "триода VL1";
        QTest::newRow("push-pull stage window") << WindowId::Dvuhtakt << "Схема каскада" << "средняя точка на +Ea";
    }

    void picturesAreNamedAndDescribed()
    {
        QFETCH(WindowId, id);
        QFETCH(QString, name);
        QFETCH(QString, mentioned);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        QWidget *picture = control(window, QStringLiteral("Image1"));
        QCOMPARE(spokenName(picture), name);
        const QString description = QAccessible::queryAccessibleInterface(picture)->text(QAccessible::Description);
        QVERIFY2(description.contains(mentioned), qPrintable(description));
        window->close();
    }

    void theMainWindowsLookAlikeButtonsAreToldApart()
    {
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->start();
        const auto description = [window](const char *name) {
            return QAccessible::queryAccessibleInterface(control(window, QString::fromLatin1(name)))
                ->text(QAccessible::Description);
        };
        QCOMPARE(spokenName(window, QStringLiteral("Pentod1")).trimmed(),
                 spokenName(window, QStringLiteral("Command1")).trimmed());
        QCOMPARE(description("Pentod1"), QStringLiteral("Усилители напряжения"));
        QCOMPARE(description("Command1"), QStringLiteral("Усилители мощности"));
        QCOMPARE(spokenName(window, QStringLiteral("Triod1")).trimmed(),
                 spokenName(window, QStringLiteral("TriodVihod1")).trimmed());
        QCOMPARE(description("Triod1"), QStringLiteral("Усилители напряжения"));
        QCOMPARE(description("TriodVihod1"), QStringLiteral("Усилители мощности"));
        QCOMPARE(description("Dvuhtakt1"), QStringLiteral("Двухтактные усилители мощности"));
        window->close();
    }

    void resultsAreSpokenWithCaptionValueAndUnit_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("expected"); // output, name, output, name...
        const QStringList triode{"R1", "R1 = 470 кОм", "R2", "R2 = 0.75 кОм", "R3", "R3 = 62.5 кОм",
                                 "C1", "C1 = 0.01693 мкФ", "C3", "C3 = 0.01693 мкФ",
                                 "Ku", "Коэффициент усиления 17.24138", "Vt", "Потребляемая мощность 2.19 Вт"};
        const QStringList pentode{"R1", "R1 = 470 кОм", "R2", "R2 = 0.6667 кОм", "R3", "R3 = 187.5 кОм",
                                  "R4", "R4 = 41.66667 кОм", "C1", "C1 = 0.01693 мкФ", "C4", "C4 = 0.01693 мкФ",
                                  "Ku", "Коэффициент усиления 80.00001", "Vt", "Потребляемая мощность 2.64 Вт"};
        const QStringList power{"R1", "R1 = 470 кОм", "R2", "R2 = 0.135 кОм", "C1", "C1 = 0.01693 мкФ",
                                "Uvh", "Напряжение входного сигнала 9.09 В", "Rt1", "R 1-й обмотки 1.95 кОм",
                                "Vih", "Выходная мощность 9.75 Вт", "Kt", "Коэффициент трансформации 15.612",
                                "Vt", "Потребляемая мощность 34.45 Вт"};
        const QStringList triodePower{
            "R1", "R1 = 220 кОм", "C1", "C1 = 0.03617 мкФ", "R2", "R2 = 1.017 кОм", "C2", "C2 не менее 21.6 мкФ",
            "PR2", "Мощность на R2 3.66 Вт", "Uq", "Напряжение на аноде 300 В", "Iq", "Ток анода 60 мА",
            "Ugq", "Смещение на сетке -61 В", "Pa", "Мощность на аноде 18 Вт", "Ra", "R 1-й обмотки 2.1 кОм",
            "Kt", "Коэффициент трансформации 16.202", "L1", "Индуктивность 1-й обмотки не менее 4.18 Гн",
            "Imag", "Ток подмагничивания 60 мА", "Uvh", "Напряжение входного сигнала 61 В",
            "Pout", "Выходная мощность 6.08 Вт", "D2", "Вторая гармоника 9.9 %", "D3", "Третья гармоника 5 %",
            "THD", "Коэффициент гармоник 11.4 %", "Eff", "КПД анодной цепи 28.1 %",
            "Vt", "Потребляемая мощность 27.66 Вт"};
        QTest::newRow("triode window, decimal point") << WindowId::Triod << kPointLocale << triode;
        QTest::newRow("triode window, decimal comma") << WindowId::Triod << kCommaLocale << triode;
        QTest::newRow("pentode window, decimal point") << WindowId::Pentod << kPointLocale << pentode;
        QTest::newRow("pentode window, decimal comma") << WindowId::Pentod << kCommaLocale << pentode;
        QTest::newRow("power stage window, decimal point") << WindowId::Tetrod << kPointLocale << power;
        QTest::newRow("power stage window, decimal comma") << WindowId::Tetrod << kCommaLocale << power;
        QTest::newRow("triode power stage window, decimal point") << WindowId::TriodVihod << kPointLocale << triodePower;
        QTest::newRow("triode power stage window, decimal comma") << WindowId::TriodVihod << kCommaLocale << triodePower;
        const QStringList pushPull{"R1", "R1 = 470 кОм", "C1", "C1 = 0.01693 мкФ", "Ugq", "Смещение на сетке -8.58 В",
                                   "Iq", "Ток покоя одной лампы 29.5 мА", "Ig2q", "Ток экранной сетки в покое 3.53 мА",
                                   "Pa", "Мощность на аноде в покое 7.12 Вт", "Klass", "Класс усиления AB1",
                                   "Kt", "Коэффициент трансформации 31.623",
                                   "L1", "Индуктивность 1-й обмотки не менее 57.6 Гн",
                                   "Uvh", "Напряжение входного сигнала 8.6 В", "Ipk", "Пиковый ток анода 90.2 мА",
                                   "Uamin", "Минимальное напряжение на аноде 59.1 В",
                                   "Pout", "Выходная мощность 8.69 Вт", "D2", "Вторая гармоника 0 %",
                                   "D3", "Третья гармоника 3.8 %", "THD", "Коэффициент гармоник 4.2 %",
                                   "Vt", "Потребляемая мощность в покое 26.08 Вт",
                                   "Ri", "Внутреннее сопротивление лампы 38 кОм",
                                   "Kd", "Коэффициент демпфирования 0.105"};
        QTest::newRow("push-pull stage window, decimal point") << WindowId::Dvuhtakt << kPointLocale << pushPull;
        QTest::newRow("push-pull stage window, decimal comma") << WindowId::Dvuhtakt << kCommaLocale << pushPull;
    }

    void resultsAreSpokenWithCaptionValueAndUnit()
    {
        QFETCH(WindowId, id);
        QFETCH(QLocale, locale);
        QFETCH(QStringList, expected);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>(locale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        FormWindow *window = m_app->open(id);
        QCOMPARE(spokenName(window, QStringLiteral("R1")), QStringLiteral("R1 = 0 кОм"));

        pickRecord(window, QStringLiteral("tube.lamp"));
        enterInputs(window, s);
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        QStringList spoken;
        for (int i = 0; i < expected.size(); i += 2) {
            QCOMPARE(spokenName(window, expected[i]), inLocale(expected[i + 1], locale));
            spoken.append(expected[i]);
        }
        for (const auto &[output, text] : s.outputs)
            QVERIFY2(spoken.contains(output), qPrintable(output));

        // The next calculation's values replace the spoken ones.
        control<QLineEdit>(window, QStringLiteral("R11"))->setText(QStringLiteral("100"));
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(spokenName(window, QStringLiteral("R1")), QStringLiteral("R1 = 100 кОм"));
        QCOMPARE(spokenName(window, QStringLiteral("C1")), inLocale(QStringLiteral("C1 = 0.07958 мкФ"), locale));
        window->close();
    }

    void aStoppedCalculationLeavesEveryOutputSpokenAsShown_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::newRow("triode window") << WindowId::Triod;
        QTest::newRow("pentode window") << WindowId::Pentod;
        QTest::newRow("power stage window") << WindowId::Tetrod;
    }

    void aStoppedCalculationLeavesEveryOutputSpokenAsShown()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        QStringList cold = s.record;
        cold[int(anodix::TubeField::AnodeCurrent)] = QStringLiteral("0");
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("cold.lamp"), cold);
        FormWindow *window = m_app->open(id);
        pickRecord(window, QStringLiteral("cold.lamp"));
        enterInputs(window, s);
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{kDivisionByZero});
        for (const auto &[output, text] : s.outputs) {
            const QString name = spokenName(window, output);
            QVERIFY2(name.contains(QLatin1Char(' ') + outputText(window, output)), qPrintable(name));
        }
        QCOMPARE(spokenName(window, QStringLiteral("R1")), QStringLiteral("R1 = 470 кОм"));
        window->close();
    }

    void theEditorSpeaksTheRecordItShows()
    {
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp"), kTriodeRecord);
        FormWindow *editor = m_app->open(WindowId::Files);
        QCOMPARE(spokenName(editor, QStringLiteral("FILE1")), QStringLiteral("Радиолампа:"));
        pickRecord(editor, QStringLiteral("6N2P.lamp"));
        QCOMPARE(spokenName(editor, QStringLiteral("FILE1")), QStringLiteral("Радиолампа: 6N2P.lamp"));
        editor->close();
    }

private:
    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
