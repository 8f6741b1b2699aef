// SPDX-License-Identifier: GPL-3.0-or-later
// The tube database at scale: listing folders of 10, 1,000 and 10,000 records,
// opening the triode window on them (its load step binds the list), switching
// windows with 1,000 records, and reading one record.
#include "benchsupport.h"

#include "anodix/shell/application.h"
#include "anodix/forms/dialogs.h"
#include "anodix/tubedb/tuberecord.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <numeric>
#include <random>

namespace {

using anodix::TubeClass;
using anodix::WindowId;

// A working folder with count triode records whose names come in no
// particular order, some with an upper-case extension, and a few files that
// are not records at all.
std::unique_ptr<QTemporaryDir> makeDatabase(int count)
{
    auto folder = std::make_unique<QTemporaryDir>();
    QDir root(folder->path());
    for (const char *sub : {"bd/triod", "bd/pentod", "bd/tetrod"})
        root.mkpath(QString::fromLatin1(sub));
    static const char *const kTypes[] = {"6N2P", "6N1P", "ECC83", "12AX7", "6SN7", "6N8S", "6S45P", "ECC88", "6N23P", "12AU7"};
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(count));
    const QByteArray record = "6,3\r\n0,3\r\n150\r\n2\r\n1,5\r\n2\r\n20\r\n10\r\n";
    for (int i : order) {
        const QString name = QStringLiteral("%1-%2.%3")
                                 .arg(QString::fromLatin1(kTypes[i % 10]))
                                 .arg(i, 5, 10, QLatin1Char('0'))
                                 .arg(i % 7 == 0 ? QStringLiteral("LAMP") : QStringLiteral("lamp"));
        QFile file(root.filePath(QStringLiteral("bd/triod/") + name));
        if (!file.open(QIODevice::WriteOnly) || file.write(record) != record.size())
            qFatal("cannot fill %s", qPrintable(file.fileName()));
    }
    for (const char *other : {"bd/triod/readme.txt", "bd/triod/6N2P.lamp.bak"})
        QFile(root.filePath(QString::fromLatin1(other))).open(QIODevice::WriteOnly);
    return folder;
}

// Processes events until widget's window has painted once more.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *window) : m_window(window) { window->installEventFilter(this); }
    ~PaintWatch() override { m_window->removeEventFilter(this); }

    void waitForPaint()
    {
        const auto start = bench::Clock::now();
        while (!m_painted && bench::nanosecondsSince(start) < 5e9)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!m_painted)
            qFatal("%s did not paint", qPrintable(m_window->objectName()));
        m_painted = false;
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }

private:
    QWidget *m_window;
    bool m_painted = false;
};

// Closing discards a window's controls later, in the event loop.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// CPU time, which the target is held against, with the wall time beside it.
std::string withWall(double cpuNs, double wallNs)
{
    return bench::formatNs(cpuNs) + " (wall " + bench::formatNs(wallNs) + ")";
}

struct Program
{
    explicit Program(const QString &workingFolder)
        : context{dialogs, navigator, workingFolder, QLocale(QLocale::Russian, QLocale::Russia)}
    {
        anodix::registerWindows(navigator, context);
    }
    anodix::QtDialogs dialogs;
    anodix::Navigator navigator;
    anodix::AppContext context;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QApplication app(argc, argv);
    if (bench::wantsHeader(argc, argv))
        bench::printHeader();

    double listNsPerRecord[2] = {};
    for (int count : {10, 1000, 10000}) {
        const auto folder = makeDatabase(count);
        const anodix::TubeDatabase database(folder->path());
        if (database.ListTubeRecords(TubeClass::Triode).names.size() != count)
            qFatal("listing %d records found another number", count);

        const QString records = QLocale(QLocale::English).toString(count) + " records";
        const double listNs = bench::medianNsPerRun([&] { bench::keep(database.ListTubeRecords(TubeClass::Triode)); });
        bench::printRow("Listing " + records.toStdString() + " (ListTubeRecords)", bench::formatNs(listNs));
        if (count >= 1000)
            listNsPerRecord[count == 1000 ? 0 : 1] = listNs / count;

        // Opening the window runs its load step, which lists the folder into
        // the file list; the figure ends when the window has painted.
        Program program(folder->path());
        anodix::FormWindow *triod = program.navigator.window(WindowId::Triod);
        PaintWatch watch(triod);
        std::vector<double> openingWall, openingCpu;
        for (int i = 0; i < 12; ++i) {
            const bench::Stopwatch watchOpen;
            triod->open();
            watch.waitForPaint();
            if (i > 0) { // the first opening also makes the window object and its menus
                openingWall.push_back(watchOpen.wallNs());
                openingCpu.push_back(watchOpen.cpuNs());
            }
            triod->close();
            settle();
        }
        const double showNs = bench::median(openingCpu);
        const bool targeted = count == 10000;
        bench::printRow("Opening Triod on " + records.toStdString() + " (listed and shown)",
                        withWall(showNs, bench::median(openingWall)), targeted ? "< 25 ms" : "", showNs < 25e6);

        if (count == 1000) {
            anodix::FormWindow *obshaya = program.navigator.window(WindowId::Obshaya);
            PaintWatch mainWatch(obshaya);
            obshaya->open();
            mainWatch.waitForPaint();
            std::vector<double> toTriodWall, toTriodCpu, toMainWall, toMainCpu;
            for (int i = 0; i < 11; ++i) {
                const bench::Stopwatch forth;
                program.navigator.switchTo(obshaya, WindowId::Triod);
                watch.waitForPaint();
                toTriodWall.push_back(forth.wallNs());
                toTriodCpu.push_back(forth.cpuNs());
                settle();
                const bench::Stopwatch back;
                program.navigator.switchTo(triod, WindowId::Obshaya);
                mainWatch.waitForPaint();
                toMainWall.push_back(back.wallNs());
                toMainCpu.push_back(back.cpuNs());
                settle();
            }
            obshaya->close();
            settle();
            const double forth = bench::median(toTriodCpu), back = bench::median(toMainCpu);
            bench::printRow("Switch Obshaya → Triod, 1,000 records", withWall(forth, bench::median(toTriodWall)),
                            "< 16 ms", forth < 16e6);
            bench::printRow("Switch Triod → Obshaya, 1,000 records", withWall(back, bench::median(toMainWall)),
                            "< 16 ms", back < 16e6);

            const QString oneName = database.ListTubeRecords(TubeClass::Triode).names.at(count / 2);
            const double readNs = bench::medianNsPerCall(
                [&] { bench::keep(database.ReadTubeRecord(TubeClass::Triode, oneName)); }, 51, 50);
            bench::printRow("Reading one record (ReadTubeRecord)", bench::formatNs(readNs));
        }
    }

    // Sorting costs n log n; per record, ten times as many should cost little more.
    const double growth = listNsPerRecord[1] / listNsPerRecord[0];
    char figure[32];
    std::snprintf(figure, sizeof figure, "%.2f×", growth);
    bench::printRow("Listing cost per record, 10,000 against 1,000", figure, "≤ 1.5× (about linear)", growth <= 1.5);
    return 0;
}
