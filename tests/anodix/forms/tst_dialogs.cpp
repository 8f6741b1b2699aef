// SPDX-License-Identifier: GPL-3.0-or-later
// The real file dialog keeps no history: Qt's own settings file does not
// appear under the user's configuration folder after one was shown.
#include "anodix/forms/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace anodix;

namespace {

// The user's folders, set before anything in Qt asks where they are.
QTemporaryDir &home()
{
    static QTemporaryDir dir;
    return dir;
}
const bool kHomeSet = [] {
    qputenv("HOME", home().path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home().path() + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_CONFIG_DIRS", (home().path() + QStringLiteral("/xdg")).toUtf8());
    return true;
}();

QString qtSettingsFile()
{
    return home().path() + QStringLiteral("/.config/QtProject.conf");
}

// Answers the next modal file dialog with Cancel, after a visit to a folder
// when one is given (the folder then enters the dialog's history).
void answerNextDialog(const QString &visited)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, visited] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        if (!visited.isEmpty())
            dialog->setDirectory(visited);
        dialog->reject();
    });
    poll->start(20);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    // Qt's own dialog, left alone, writes its history there: the checks
    // below can fail. (Before any QtDialogs, which points Qt elsewhere.)
    void initTestCase()
    {
        QVERIFY(kHomeSet && home().isValid());
        {
            QFileDialog plain(nullptr, QStringLiteral("plain"), home().path());
            plain.setOption(QFileDialog::DontUseNativeDialog);
            answerNextDialog(QString());
            plain.exec();
        }
        QVERIFY(QFileInfo::exists(qtSettingsFile()));
        QVERIFY(QFile::remove(qtSettingsFile()));
    }

    void theFileDialogWritesNoSettings_data()
    {
        QTest::addColumn<bool>("visit");
        QTest::newRow("cancelled") << false;
        QTest::newRow("cancelled after a visit to a folder") << true;
    }
    void theFileDialogWritesNoSettings()
    {
        QFETCH(bool, visit);
        QTemporaryDir target;
        QtDialogs dialogs;
        answerNextDialog(visit ? target.path() : QString());
        const SaveChoice choice =
            dialogs.saveFileName(nullptr, QStringLiteral("Сохранить"), {{QStringLiteral("Изображение PNG"), "png"}});
        QVERIFY(choice.path.isEmpty());
        QVERIFY(!QFileInfo::exists(qtSettingsFile()));
        QVERIFY(!QFileInfo::exists(home().path() + QStringLiteral("/xdg/QtProject.conf")));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
