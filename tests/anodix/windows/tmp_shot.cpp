// SPDX-License-Identifier: GPL-3.0-or-later
// Throwaway: screenshots of the warning line.
#include "windowfixture.h"
#include "anodix/forms/formwindow.h"

class Shot : public QObject
{
    Q_OBJECT
private slots:
    void shoot()
    {
        WindowFixture app;
        app.writeRecord(anodix::TubeClass::PowerPentode, QStringLiteral("EL34.lamp"),
                        {"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"});
        QFile::copy(QStringLiteral("/work/wt/h21ratings/data/bd/tetrod/EL34.limits"),
                    app.dir.filePath(QStringLiteral("bd/tetrod/EL34.limits")));
        anodix::FormWindow *window = app.open(anodix::WindowId::Dvuhtakt);
        pickRecord(window, QStringLiteral("EL34.lamp"));
        for (const auto &[box, text] : Texts{{"Ea", "375"}, {"Ug2", "375"}, {"Fn1", "20"}, {"R11", "470"},
                                             {"Rn", "8"}, {"Raa", "3.4"}, {"Rk", "130"}})
            typeInto(window, box, text);
        clickButton(window, QStringLiteral("Command1"));
        QCoreApplication::processEvents();
        window->grab().save(QStringLiteral("/tmp/x/dvuhtakt-warning.png"));
        triggerItem(window, QStringLiteral("Harakteristiki_Menu"));
        QCoreApplication::processEvents();
        if (auto *c = shownWindow(QStringLiteral("Harakteristiki")))
            c->grab().save(QStringLiteral("/tmp/x/harakteristiki-warning.png"));
        window->close();
    }
};
QTEST_MAIN(Shot)
#include "tmp_shot.moc"
