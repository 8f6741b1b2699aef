// SPDX-License-Identifier: GPL-3.0-or-later
// The forms of Anodix's windows: every control of each layout table in its
// place, captions, menus, focus order, buddies, and texts that fit.
#include "windowfixture.h"

#include "anodix/shell/about.h"
#include "anodix/shell/application.h"
#include "anodix/forms/formlayout.h"
#include "anodix/windows/blokpitaniya.h"
#include "anodix/windows/dvuhtakt.h"
#include "anodix/windows/fazoinvertorrn.h"
#include "anodix/shell/obshaya.h"
#include "anodix/windows/pentod.h"
#include "anodix/windows/povtoritel.h"
#include "anodix/windows/tetrod.h"
#include "anodix/windows/triod.h"
#include "anodix/windows/triodvihod.h"

#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyleOptionButton>
#include <memory>

using anodix::ControlKind;
using anodix::ControlRow;
using anodix::FormWindow;
using anodix::WindowId;
using anodix::twips;

namespace {

std::span<const ControlRow> formOf(WindowId id)
{
    switch (id) {
    case WindowId::Obshaya: return anodix::Obshaya::form();
    case WindowId::About: return anodix::About::form();
    case WindowId::Triod: return anodix::Triod::layout().form;
    case WindowId::Pentod: return anodix::Pentod::layout().form;
    case WindowId::Tetrod: return anodix::Tetrod::layout().form;
    case WindowId::TriodVihod: return anodix::TriodVihod::layout().form;
    case WindowId::Dvuhtakt: return anodix::Dvuhtakt::layout().form;
    case WindowId::BlokPitaniya: return anodix::BlokPitaniya::form();
    case WindowId::Povtoritel: return anodix::Povtoritel::layout().form;
    case WindowId::FazoinvertorRN: return anodix::FazoinvertorRN::layout().form;
    default: return {};
    }
}

void addFormRows()
{
    addWindowRows({WindowId::Obshaya, WindowId::About, WindowId::Triod, WindowId::Pentod, WindowId::Tetrod,
                   WindowId::TriodVihod, WindowId::Dvuhtakt, WindowId::BlokPitaniya, WindowId::Povtoritel,
                   WindowId::FazoinvertorRN});
}

bool hasKind(const QWidget *widget, ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label: return qobject_cast<const QLabel *>(widget);
    case ControlKind::TextBox: return qobject_cast<const QLineEdit *>(widget);
    case ControlKind::Button: return qobject_cast<const QPushButton *>(widget);
    case ControlKind::FileList: return qobject_cast<const anodix::FileListBox *>(widget);
    case ControlKind::Picture: return qobject_cast<const anodix::Drawing *>(widget);
    case ControlKind::Line: return qobject_cast<const QFrame *>(widget);
    }
    return false;
}

// The height and width a text needs in a widget's font, wrapped at width.
QRect neededRect(const QWidget *widget, int width, const QString &text)
{
    return widget->fontMetrics().boundingRect(QRect(0, 0, width, 10000), Qt::AlignLeft | Qt::TextWordWrap, text);
}

struct MenuItem
{
    const char *menu;
    const char *menuTitle;
    const char *item;
    const char *itemTitle;
    QKeySequence shortcut;
};

QList<MenuItem> calcMenus(const char *fileMenu)
{
    return {{fileMenu, "Файл", "Exit", "Выход", QKeySequence(Qt::CTRL | Qt::Key_X)},
            {"a", "Утилиты", "Redaktor", "Редактор параметров радиоламп", QKeySequence(Qt::CTRL | Qt::Key_R)},
            {"a", "Утилиты", "Harakteristiki_Menu", "Характеристики и нагрузочная прямая", QKeySequence(Qt::Key_F6)},
            {"a", "Утилиты", "Chastota_Menu", "Частотная характеристика", QKeySequence(Qt::Key_F7)},
            {"a", "Утилиты", "BlokPitaniya_Menu", "Блок питания для этого каскада", QKeySequence()},
            {"a", "Утилиты", "ModelLampy_Menu", "Модель лампы", QKeySequence(Qt::Key_F8)},
            {"Help", "Справка", "Help_Abaut", "О программе", QKeySequence(Qt::CTRL | Qt::Key_A)}};
}

} // namespace

Q_DECLARE_METATYPE(QList<MenuItem>)

class FormsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const QString fault = endRun(m_app);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void everyControlOfTheTableStandsInItsPlace_data() { addFormRows(); }
    void everyControlOfTheTableStandsInItsPlace()
    {
        QFETCH(WindowId, id);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        const std::span<const ControlRow> rows = formOf(id);
        QVERIFY(!rows.empty());

        QStringList names;
        for (const ControlRow &row : rows) {
            const QString name = anodix::controlName(row.name, row.index);
            names.append(name);
            const QWidget *widget = control(window, name);
            QVERIFY2(widget, qPrintable(name));
            QVERIFY2(hasKind(widget, row.kind), qPrintable(name));
            QVERIFY2(widget->isVisible(), qPrintable(name));
            const QString text = QString::fromUtf8(row.text ? row.text : "");
            if (const auto *label = qobject_cast<const QLabel *>(widget))
                QCOMPARE(label->text(), text);
            else if (const auto *button = qobject_cast<const QPushButton *>(widget))
                QCOMPARE(button->text(), text);
            else if (const auto *box = qobject_cast<const QLineEdit *>(widget))
                QCOMPARE(box->text(), text);

            if (row.kind == ControlKind::Line) {
                QCOMPARE(widget->geometry().left(), twips(row.left));
                QCOMPARE(widget->geometry().top(), twips(row.top));
                QCOMPARE(widget->geometry().right(), twips(row.width));
                QCOMPARE(widget->height(), 1);
            } else {
                // A label may stand lower than its box only by what one line of its font needs.
                const int height = row.kind == ControlKind::Label
                    ? std::max(twips(row.height), widget->fontMetrics().lineSpacing())
                    : twips(row.height);
                QCOMPARE(widget->geometry(), QRect(twips(row.left), twips(row.top), twips(row.width), height));
            }
            if (row.font.family) {
                // The family the form names, or the metric twin standing in for it.
                QCOMPARE(QFontInfo(widget->font()).family(), QFontInfo(QFont(QString::fromLatin1(row.font.family))).family());
                QCOMPARE(widget->font().pointSizeF(), row.font.points);
                QCOMPARE(widget->font().bold(), row.font.bold);
                QCOMPARE(widget->font().italic(), row.font.italic);
            }
        }
        // The table holds every control: no name twice, no control beyond it
        // but the supply window's lists, Cancel, progress and plot, which it makes itself.
        if (id == WindowId::BlokPitaniya)
            for (const char *name : anodix::BlokPitaniya::controlsBeyondTheForm()) {
                QVERIFY2(control(window, QString::fromLatin1(name)), name);
                names.append(QString::fromLatin1(name));
            }
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        // The calculation windows' warning line stands under the form, outside its table.
        const bool warningLine = window->client()->findChild<QLabel *>(QStringLiteral("Preduprezhdenie"));
        QCOMPARE(window->client()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(),
                 names.size() + (warningLine ? 1 : 0));
        window->close();
    }

    void captionAndFixedClientAreaFollowTheForm_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("clientTwips");
        QTest::newRow("main window") << WindowId::Obshaya << "Anodix V1.0" << QSize(6840, 9195);
        QTest::newRow("About") << WindowId::About << "О программе" << QSize(5190, 2280);
        QTest::newRow("triode window") << WindowId::Triod << "Anodix V1.0 - Предварительный усилитель на триоде"
                                       << QSize(10200, 5475);
        QTest::newRow("pentode window") << WindowId::Pentod << "Anodix V1.0 - Предварительный усилитель на пентоде"
                                        << QSize(11205, 5625);
        QTest::newRow("power stage window") << WindowId::Tetrod << "Anodix V1.0 - Усилитель мощности на пентоде"
                                            << QSize(10815, 5655);
        QTest::newRow("triode power stage window")
            << WindowId::TriodVihod << "Anodix V1.0 - Усилитель мощности на триоде" << QSize(12600, 8535);
        QTest::newRow("push-pull stage window") << WindowId::Dvuhtakt << "Anodix V1.0 - Двухтактный усилитель мощности"
                                                << QSize(11520, 9240);
        QTest::newRow("cathode follower window") << WindowId::Povtoritel << "Anodix V1.0 - Катодный повторитель"
                                                 << QSize(11520, 6735);
        QTest::newRow("split-load splitter window")
            << WindowId::FazoinvertorRN << "Anodix V1.0 - Фазоинвертор с разделённой нагрузкой" << QSize(11520, 7815);
    }

    void captionAndFixedClientAreaFollowTheForm()
    {
        QFETCH(WindowId, id);
        QFETCH(QString, caption);
        QFETCH(QSize, clientTwips);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        QCOMPARE(window->windowTitle(), caption);
        saveScreenshot(window, window->objectName());
        QCOMPARE(window->client()->size(), QSize(twips(clientTwips.width()), twips(clientTwips.height())));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        const int menuHeight = window->menuWidget() && window->menuWidget()->isVisible() ? window->menuWidget()->height() : 0;
        QCOMPARE(window->height(), window->client()->height() + menuHeight);
        window->close();
    }

    void menusCarryTheirNamesTextsAndShortcuts_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QList<MenuItem>>("menus");
        QTest::newRow("main window: Справка with F1")
            << WindowId::Obshaya
            << QList<MenuItem>{{"Help", "Справка", "Help_Abaut", "О программе", QKeySequence(Qt::Key_F1)}};
        QTest::newRow("triode window: Файл is dd") << WindowId::Triod << calcMenus("dd");
        QTest::newRow("pentode window: Файл is fa12") << WindowId::Pentod << calcMenus("fa12");
        QTest::newRow("power stage window: Файл is dd") << WindowId::Tetrod << calcMenus("dd");
        QTest::newRow("triode power stage window: Файл is dd") << WindowId::TriodVihod << calcMenus("dd");
        QTest::newRow("push-pull stage window: Файл is dd") << WindowId::Dvuhtakt << calcMenus("dd");
        QTest::newRow("cathode follower window: Файл is dd") << WindowId::Povtoritel << calcMenus("dd");
        QTest::newRow("split-load splitter window: Файл is dd") << WindowId::FazoinvertorRN << calcMenus("dd");
    }

    void menusCarryTheirNamesTextsAndShortcuts()
    {
        QFETCH(WindowId, id);
        QFETCH(QList<MenuItem>, menus);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        // The rows list every item in menu order; a menu with two items has two rows.
        const QList<QAction *> bar = window->menuBar()->actions();
        QStringList menuNames;
        for (const MenuItem &expected : std::as_const(menus))
            if (!menuNames.contains(QString::fromLatin1(expected.menu)))
                menuNames.append(QString::fromLatin1(expected.menu));
        QCOMPARE(bar.size(), menuNames.size());
        qsizetype next = 0;
        for (const QAction *entry : bar) {
            QMenu *menu = entry->menu();
            QVERIFY(menu);
            for (const QAction *item : menu->actions()) {
                QVERIFY2(next < menus.size(), qPrintable(item->text()));
                const MenuItem &expected = menus[next++];
                QCOMPARE(menu->objectName(), QString::fromLatin1(expected.menu));
                QCOMPARE(menu->title(), QString::fromUtf8(expected.menuTitle));
                QCOMPARE(item->objectName(), QString::fromLatin1(expected.item));
                QCOMPARE(item->text(), QString::fromUtf8(expected.itemTitle));
                QCOMPARE(item->shortcut(), expected.shortcut);
            }
        }
        QCOMPARE(next, menus.size());
        window->close();
    }

    void focusStartsOnTheFirstControlAndTabFollowsTheOrder_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("main window")
            << WindowId::Obshaya
            << QStringList{"Triod1",          "Pentod1",         "Command1",    "TriodVihod1", "Dvuhtakt1",
                           "FazoinvertorRN1", "FazoinvertorKS1", "Povtoritel1", "BlokPitaniya1"};
        QTest::newRow("triode window") << WindowId::Triod << QStringList{"Command1", "Ea", "Fn1", "File", "R11"};
        QTest::newRow("pentode window") << WindowId::Pentod << QStringList{"Command1", "Ea", "Fn1", "File", "R11"};
        QTest::newRow("power stage window")
            << WindowId::Tetrod << QStringList{"Command1", "Ea", "Fn1", "File", "R11", "Rn"};
        QTest::newRow("triode power stage window")
            << WindowId::TriodVihod << QStringList{"Command1", "Ea", "Fn1", "File", "R11", "Rn", "Kn"};
        QTest::newRow("push-pull stage window")
            << WindowId::Dvuhtakt
            << QStringList{"Command1", "Ea", "Ug2", "Fn1", "R11", "Rn", "Raa", "Rk", "Otvod", "File"};
        QTest::newRow("cathode follower window")
            << WindowId::Povtoritel << QStringList{"Command1", "Ea", "Rk", "R11", "Fn1", "Rn", "File"};
        QTest::newRow("split-load splitter window")
            << WindowId::FazoinvertorRN << QStringList{"Command1", "Ea", "Rak", "R11", "Fn1", "Rn", "File"};
    }

    void focusStartsOnTheFirstControlAndTabFollowsTheOrder()
    {
        QFETCH(WindowId, id);
        QFETCH(QStringList, order);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        QVERIFY(QTest::qWaitForWindowActive(window));
        // A button whose window this build lacks is disabled and takes no focus.
        order.removeIf([window](const QString &name) {
            const QWidget *control = window->client()->findChild<QWidget *>(name);
            return control && !control->isEnabled();
        });
        QStringList visited;
        for (int i = 0; i <= order.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            visited.append(focus->objectName());
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(visited, order + QStringList{order.first()});
        window->close();
    }

    void enterOnTheFocusedCalculateButtonRunsTheCalculation()
    {
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(WindowId::Triod);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(QApplication::focusWidget(), control(window, QStringLiteral("Command1")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{kInputError});
        window->close();
    }

    void captionLabelsNameTheirBoxes_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QStringList>("pairs"); // label, box, label, box...
        const QStringList three{"Label5", "Ea", "Label6", "Fn1", "Label3", "R11", "Label9", "File"};
        QTest::newRow("triode window") << WindowId::Triod << three;
        QTest::newRow("pentode window") << WindowId::Pentod << three;
        QTest::newRow("power stage window") << WindowId::Tetrod << three + QStringList{"Label8", "Rn"};
        QTest::newRow("triode power stage window")
            << WindowId::TriodVihod << three + QStringList{"Label8", "Rn", "Label7", "Kn"};
        QTest::newRow("push-pull stage window")
            << WindowId::Dvuhtakt
            << QStringList{"Label1", "Ea",  "Label2", "Ug2", "Label3", "Fn1", "Label4", "R11",
                           "Label5", "Rn",  "Label6", "Raa", "Label7", "Rk",  "Label8", "File"};
    }

    void captionLabelsNameTheirBoxes()
    {
        QFETCH(WindowId, id);
        QFETCH(QStringList, pairs);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        for (int i = 0; i < pairs.size(); i += 2) {
            const auto *label = control<QLabel>(window, pairs[i]);
            QWidget *box = control(window, pairs[i + 1]);
            QVERIFY(label && box);
            QCOMPARE(label->buddy(), box);
            QCOMPARE(box->accessibleName(), label->text().trimmed());
        }
        window->close();
    }

    void everyTextFitsItsPlace_data() { addFormRows(); }
    void everyTextFitsItsPlace()
    {
        QFETCH(WindowId, id);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        // The widest results the worked examples show must fit as well as the captions.
        if (id == WindowId::Triod || id == WindowId::Pentod || id == WindowId::Tetrod || id == WindowId::TriodVihod
            || id == WindowId::Dvuhtakt)
            for (const auto &[output, text] : stage(id).outputs)
                control<QLabel>(window, output)->setText(text);

        for (const QLabel *label : window->client()->findChildren<QLabel *>()) {
            const QRect needed = neededRect(label, label->width(), label->text());
            QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                     qPrintable(QStringLiteral("%1 \"%2\" needs %3×%4, has %5×%6")
                                    .arg(label->objectName(), label->text())
                                    .arg(needed.width()).arg(needed.height())
                                    .arg(label->width()).arg(label->height())));
        }
        for (const QPushButton *button : window->client()->findChildren<QPushButton *>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            const QRect area = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            const QRect needed = neededRect(button, area.width(), button->text());
            QVERIFY2(needed.width() <= area.width() && needed.height() <= area.height(),
                     qPrintable(QStringLiteral("%1 \"%2\" needs %3×%4, has %5×%6")
                                    .arg(button->objectName(), button->text())
                                    .arg(needed.width()).arg(needed.height())
                                    .arg(area.width()).arg(area.height())));
        }
        window->close();
    }

    void picturesShowTheirDrawings_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::newRow("About shows the program icon") << WindowId::About;
        QTest::newRow("triode window shows its circuit") << WindowId::Triod;
        QTest::newRow("pentode window shows its circuit") << WindowId::Pentod;
        QTest::newRow("power stage window shows its circuit") << WindowId::Tetrod;
        QTest::newRow("triode power stage window shows its circuit") << WindowId::TriodVihod;
        QTest::newRow("push-pull stage window shows its circuit") << WindowId::Dvuhtakt;
    }

    void picturesShowTheirDrawings()
    {
        QFETCH(WindowId, id);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        auto *picture = control<anodix::Drawing>(window, QStringLiteral("Image1"));
        QVERIFY(picture);
        QVERIFY(picture->isValid());
        QVERIFY(!anodix::Drawing(QStringLiteral(":/anodix/missing.svg"), nullptr).isValid());
        window->close();
    }

    void capacitorUnitsReadMicrofarads_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QStringList>("unitLabels");
        QTest::newRow("triode window: C1 and C3") << WindowId::Triod << QStringList{"Label10(0)", "Label10(2)"};
        QTest::newRow("pentode window: C1 and C4") << WindowId::Pentod << QStringList{"Label10(0)", "Label10(2)"};
        QTest::newRow("power stage window: C1") << WindowId::Tetrod << QStringList{"Label10(0)"};
        QTest::newRow("triode power stage window: C1 and C2")
            << WindowId::TriodVihod << QStringList{"Label2(1)", "Label2(3)"};
        QTest::newRow("push-pull stage window: C1") << WindowId::Dvuhtakt << QStringList{"Label10(1)"};
    }

    void capacitorUnitsReadMicrofarads()
    {
        QFETCH(WindowId, id);
        QFETCH(QStringList, unitLabels);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(id);
        for (const QString &name : unitLabels)
            QCOMPARE(outputText(window, name), QStringLiteral("мкФ"));
        for (const QLabel *label : window->client()->findChildren<QLabel *>())
            QVERIFY2(label->text() != QLatin1String("mF"), qPrintable(label->objectName()));
        window->close();
    }

    void aboutNamesTheProgramTheAuthorAndTheAddresses()
    {
        m_app = std::make_unique<WindowFixture>();
        FormWindow *about = m_app->open(WindowId::About);
        QCOMPARE(outputText(about, QStringLiteral("Label1")), QStringLiteral("Anodix Version 1.0"));
        const QString author = outputText(about, QStringLiteral("Label2(0)"));
        QVERIFY(author.startsWith(QStringLiteral("Автор: ")) && author.size() > 8);
        QVERIFY(outputText(about, QStringLiteral("Label2(1)")).contains(QLatin1Char('@')));
        QVERIFY(outputText(about, QStringLiteral("Label2(2)")).startsWith(QStringLiteral("https://")));
        about->close();
    }

    void qtsOwnDialogButtonsReadRussian()
    {
        QVERIFY(anodix::installQtRussianTexts());
        QMessageBox box(QMessageBox::Question, QStringLiteral("Ошибка"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        const auto shown = [&box](QMessageBox::StandardButton which) {
            return box.button(which)->text().remove(QLatin1Char('&'));
        };
        QCOMPARE(shown(QMessageBox::Yes), QStringLiteral("Да"));
        QCOMPARE(shown(QMessageBox::No), QStringLiteral("Нет"));
        QCOMPARE(shown(QMessageBox::Cancel), QStringLiteral("Отмена"));
    }

private:
    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(FormsTest)
#include "tst_forms.moc"
