#include "fuzz/Harness.h"

#include "app/ListDialog.h"
#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/DataFile.h"
#include "core/Globals.h"
#include "core/ModelFile.h"
#include "core/Paths.h"
#include "core/TextCodec.h"
#include "editors/GridEditor.h"
#include "editors/Install.h"
#include "editors/frmKeyIn.h"
#include "editors/frmMenuIn.h"
#include "link/Install.h"
#include "link/LinkInterfaces.h"
#include "link/TransferController.h"
#include "plus/Install.h"
#include "plus/frmEditPlus.h"
#include "plus/frmMacroIn.h"
#include "plus/frmSelectKey.h"
#include "plus/frmTimerIn.h"
#include "preview/Install.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <set>

#ifndef QUILLET_ASSET_DIR
#define QUILLET_ASSET_DIR ""
#endif

namespace quillet::fuzz {

namespace {

// Decisions taken from the input's last bytes, read backwards, so that the whole input
// still is the file. Unless told otherwise they are mixed with a generator seeded by the
// whole input: a mutation seldom lands in the last few dozen bytes of a 136 KB data file,
// so without the mixing almost every input would work the windows the same way. When the
// bytes run out the generator goes on alone; every loop it drives is bounded.
class Choices {
public:
    Choices(const std::uint8_t *data, std::size_t size, bool mixed = true)
        : end_(data + size), left_(size), mixed_(mixed)
    {
        std::uint64_t h = 14695981039346656037ULL;   // FNV-1a
        for (std::size_t i = 0; i < size; ++i)
            h = (h ^ data[i]) * 1099511628211ULL;
        state_ = h;
    }

    int byte()
    {
        int b = mixed_ ? static_cast<int>(next() >> 56) : 0;
        if (left_ > 0) {
            --left_;
            b ^= *--end_;
        }
        return b;
    }
    int below(int n) { return n <= 1 ? 0 : byte() % n; }
    bool flag() { return byte() & 1; }
    // What a user might type: any single-byte character, now and then one the image's
    // code cannot hold, up to 22 characters (two more than a label takes).
    QString text()
    {
        QString s;
        const int n = below(23);
        for (int i = 0; i < n; ++i) {
            const int b = byte();
            s += b == 0x7F ? QChar(0x4E2D) : decodeByte(static_cast<unsigned char>(b));
        }
        return s;
    }

private:
    std::uint64_t next()   // splitmix64
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    const std::uint8_t *end_;
    std::size_t left_;
    bool mixed_;
    std::uint64_t state_ = 0;
};

// The services layer as the harness answers it: message boxes from the input, file
// dialogs cancelled, every dialog worked on by a driver and closed.
class FuzzUi : public UiServices {
public:
    using Driver = std::function<void(QDialog &)>;
    Choices *choices = nullptr;
    Driver driver;
    QStringList warnings;   // texts of the "Warning" boxes
    QStringList messages;   // texts of every box
    QString alwaysOk;       // a question answered OK whatever the input says, by its ending
    int depth = 0;
    QMap<QString, int> shownCount;   // dialogs shown in this run, by name
    QMap<QString, qint64> shownNs;   // and the time spent in them, nested ones included
    bool showWindows = qEnvironmentVariableIsSet("QUILLET_FUZZ_SHOW");

    int message(QWidget *, const QString &text, const QString &title, MsgIcon, MsgButtons buttons) override
    {
        if (title == QLatin1String("Warning"))
            warnings << text;
        messages << text;
        if (!alwaysOk.isEmpty() && text.endsWith(alwaysOk))
            return answer::OK;
        switch (buttons) {
        case MsgButtons::OK:
            return answer::OK;
        case MsgButtons::OKCancel:
        case MsgButtons::OKCancelSafe:
            return choices && choices->flag() ? answer::OK : answer::Cancel;
        case MsgButtons::YesNo:
            return choices && choices->flag() ? answer::Yes : answer::No;
        case MsgButtons::YesNoLater: {
            static const int codes[3] = {answer::Later, answer::Yes, answer::No};
            return codes[choices ? choices->below(3) : 0];
        }
        case MsgButtons::YesNoCancel: {
            static const int codes[3] = {answer::Cancel, answer::Yes, answer::No};
            return codes[choices ? choices->below(3) : 0];
        }
        }
        return answer::Cancel;
    }
    QString openFileName(QWidget *, const FileDialogSpec &) override { return {}; }
    QString saveFileName(QWidget *, const FileDialogSpec &) override { return {}; }
    int showModal(QDialog &dialog) override
    {
        // The deepest legitimate nesting is page, setup dialog, key selector.
        FUZZ_CHECK(depth < 6, QStringLiteral("dialogs nested too deep at %1").arg(dialog.objectName()));
        ++depth;
        ++shownCount[dialog.objectName()];
        QElapsedTimer clock;
        clock.start();
        // Not shown modally: the window is built, loads its data and is worked on as it
        // would be on screen; painting it adds nothing the checks can see (QUILLET_FUZZ_SHOW
        // shows it all the same). A driver that leaves the window open stands for the user
        // closing it through the frame: Cancel.
        bool finished = false;
        const auto connection = QObject::connect(&dialog, &QDialog::finished, [&finished] { finished = true; });
        dialog.setResult(0);
        if (showWindows)
            dialog.show();
        if (driver)
            driver(dialog);
        QObject::disconnect(connection);
        if (!finished)
            dialog.reject();
        shownNs[dialog.objectName()] += clock.nsecsElapsed();
        --depth;
        return dialog.result();
    }
    bool showHelp(QWidget *, const QString &, QString *error) override
    {
        if (error)
            *error = QStringLiteral("no help here");
        return false;
    }
};

// Time that passes only when the transfer waits: a whole transfer takes no real time and
// every run is the same.
class VirtualClock : public Clock {
public:
    std::int64_t now = 0;
    void Delay(int ms) override { now += ms + 1; }
    void Pause(int) override {}
    std::int64_t elapsedMs() override { return now; }
};

// The remote's side of the line, played from the input: bursts of bytes that arrive at
// virtual times, and a write failure, a vanished device or an Escape press on cue.
class ScriptedLine : public SerialPort {
public:
    explicit ScriptedLine(VirtualClock &clock) : clock_(clock) {}

    struct Burst {
        std::int64_t at;   // after the port opened
        QByteArray bytes;
    };
    // No transfer of 512 pages in at most 11 timer events polls anywhere near this often.
    static constexpr long long PollLimit = 2000000;

    std::deque<Burst> bursts;
    long long writesLeft = -1;   // before a write fails; -1 never
    long long goneAtPoll = -1;   // the device goes away at this poll; -1 never
    long long escapeAtPoll = -1;
    std::function<void()> pressEscape;

    int opens = 0;
    int closes = 0;
    bool isOpen = false;
    long long polls = 0;

    void reset()
    {
        bursts.clear();
        pending_.clear();
        writesLeft = goneAtPoll = escapeAtPoll = -1;
        opens = closes = 0;
        isOpen = gone_ = false;
        polls = 0;
    }

    void setCommPort(int) override {}
    void setSettings(const QString &) override {}
    bool open() override
    {
        FUZZ_CHECK(!isOpen, QStringLiteral("the port was opened twice"));
        ++opens;
        isOpen = true;
        opened_ = clock_.now;
        arrive();
        return true;
    }
    void close() override
    {
        ++closes;
        isOpen = false;
    }
    bool writeByte(std::uint8_t) override
    {
        FUZZ_CHECK(isOpen, QStringLiteral("a write to a closed port"));
        if (gone_ || writesLeft == 0) {
            error_ = QStringLiteral("/dev/ttyS0: Input/output error");
            return false;
        }
        if (writesLeft > 0)
            --writesLeft;
        return true;
    }
    int bytesWaiting() override
    {
        FUZZ_CHECK(isOpen, QStringLiteral("a poll of a closed port"));
        poll();
        if (gone_ && pending_.isEmpty()) {
            error_ = QStringLiteral("/dev/ttyS0: Input/output error");
            return -1;
        }
        return static_cast<int>(pending_.size());
    }
    QByteArray readAll() override
    {
        arrive();
        QByteArray out;
        out.swap(pending_);
        return out;
    }
    void waitForBytes(int ms) override
    {
        poll();
        if (!pending_.isEmpty() || gone_)
            return;
        std::int64_t next = clock_.now + std::max(ms, 1);
        if (!bursts.empty())
            next = std::min(next, opened_ + bursts.front().at);
        clock_.now = std::max(next, clock_.now + 1);
        arrive();
    }
    QString errorString() const override { return error_; }

private:
    void arrive()
    {
        while (!bursts.empty() && opened_ + bursts.front().at <= clock_.now) {
            pending_ += bursts.front().bytes;
            bursts.pop_front();
        }
    }
    void poll()
    {
        ++polls;
        FUZZ_CHECK(polls < PollLimit, QStringLiteral("the transfer polls without end"));
        if (polls == goneAtPoll)
            gone_ = true;
        if (polls == escapeAtPoll && pressEscape)
            pressEscape();
        arrive();
    }

    VirtualClock &clock_;
    std::int64_t opened_ = 0;
    QByteArray pending_;
    bool gone_ = false;
    QString error_;
};

// The application, a program folder with the shipped pictures, and one main window with
// the editors installed, made once and kept for the whole run. Never destroyed: at exit
// the application object may already be gone.
struct Environment {
    QTemporaryDir settings{scratchTemplate()};
    QTemporaryDir program{scratchTemplate()};
    std::unique_ptr<Globals> g = std::make_unique<Globals>();
    FuzzUi ui;
    std::unique_ptr<frmMain> main;
    VirtualClock *clock = nullptr;      // owned by the transfer controller
    ScriptedLine *line = nullptr;       // likewise
    TransferController *link = nullptr; // a child of the main window
    RunReport report;
    std::set<int> macroStepsSeen;   // step contents already shown in the key selector this run

    QString dataPath() const { return joinPath(g->AppDir, QStringLiteral("DATA"), QStringLiteral("fuzz.DAT")); }
    QString modelPath() const { return joinPath(g->AppDir, QStringLiteral("MODEL"), QStringLiteral("fuzz.MOD")); }
};

QtMessageHandler previousHandler = nullptr;

// Qt's own chatter (fonts, unaccepted test mouse events) costs time on every input and
// hides the report; fatal messages still end the run.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("QUILLET_FUZZ_VERBOSE")) {
        if (previousHandler)
            previousHandler(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(text));
    }
}

QString assetDir()
{
    const QString fromEnv = qEnvironmentVariable("QUILLET_ASSETS");
    return fromEnv.isEmpty() ? QString::fromUtf8(QUILLET_ASSET_DIR) : fromEnv;
}

void driveDialog(Environment &env, QDialog &dialog);

Environment &environment()
{
    static Environment *env = nullptr;
    if (env)
        return *env;
    if (!qApp) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "quillet-fuzz";
        static char *argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    previousHandler = qInstallMessageHandler(quietMessages);
    env = new Environment;
    // The environment outlives everything, so its folders (in memory, where possible) are
    // removed by hand as the program ends.
    static const QStringList folders{env->settings.path(), env->program.path()};
    std::atexit([] {
        for (const QString &f : folders)
            QDir(f).removeRecursively();
    });
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, env->settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, env->settings.path());

    const QDir program(env->program.path());
    program.mkpath(QStringLiteral("DATA"));
    program.mkpath(QStringLiteral("MODEL"));
    for (const char *name : {"IMG0-31.jpg", "IMG128-150.jpg", "IMG2350-52.jpg", "NONE.jpg", "NO.ICO"}) {
        const QString from = QDir(assetDir()).filePath(QString::fromLatin1(name));
        FUZZ_CHECK(QFile::copy(from, program.filePath(QString::fromLatin1(name))),
                   QStringLiteral("the pictures are needed beside the program; %1 is missing (set QUILLET_ASSETS)")
                       .arg(from));
    }
    Globals &g = *env->g;
    g.AppDir = QDir::toNativeSeparators(program.path());
    g.AppDirName = program.dirName();
    g.HelpFile = joinPath(g.AppDir, QStringLiteral("HELP.HLP"));
    env->ui.driver = [e = env](QDialog &d) { driveDialog(*e, d); };
    env->main = std::make_unique<frmMain>(g, env->ui);
    installEditors(*env->main);
    installPlus(*env->main);
    installPreview(*env->main);
    auto clock = std::make_unique<VirtualClock>();
    auto line = std::make_unique<ScriptedLine>(*clock);
    env->clock = clock.get();
    env->line = line.get();
    env->link = installLink(*env->main, std::move(line), std::move(clock));
    env->line->pressEscape = [e = env] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(e->main.get(), &press);
        QCoreApplication::sendEvent(e->main.get(), &release);
    };
    env->main->show();
    return *env;
}

// A fresh document state for each input, so that runs do not depend on each other.
void resetDocument(Environment &env, Choices &choices)
{
    auto fresh = std::make_unique<Globals>();
    Globals &g = *env.g;
    fresh->AppDir = g.AppDir;
    fresh->AppDirName = g.AppDirName;
    fresh->HelpFile = g.HelpFile;
    g = *fresh;
    env.ui.choices = &choices;
    env.ui.warnings.clear();
    env.ui.messages.clear();
    env.ui.shownCount.clear();
    env.ui.shownNs.clear();
    env.macroStepsSeen.clear();
    env.main->showDocumentTitle();
    env.main->refreshSequence();
}

void writeInput(const QString &path, const std::uint8_t *data, std::size_t size)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate), f.errorString());
    FUZZ_CHECK(f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size)) == static_cast<qint64>(size),
               f.errorString());
}

QByteArray readBack(const QString &path)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::ReadOnly), f.errorString());
    return f.readAll();
}

// Runs a command of the main window as its menu item would. Commands that a tree click
// turns on (Fast Open) are turned on here the same way.
void trigger(Environment &env, const char *name)
{
    QAction *a = env.main->action(QString::fromLatin1(name));
    FUZZ_CHECK(a, QString::fromLatin1(name));
    a->setEnabled(true);
    a->trigger();
}

void fastOpen(Environment &env, const QString &folder, const QString &file)
{
    env.g->SelectedFolder = folder;
    env.g->SelectedFile = file;
    trigger(env, "mnuLoad");
}

QStringList listTexts(const QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0);
    return out;
}

// The device list is "MENU" and the named devices in bank order, as the names say.
void checkDeviceList(Environment &env)
{
    QStringList expected;
    if (env.g->LoadedKind == 1) {
        expected << QStringLiteral("MENU");
        for (const QString &name : env.g->DeviceNames)
            if (!isBlankField(name))
                expected << trimmedBoth(name);
    }
    FUZZ_CHECK(listTexts(env.main->ListView1) == expected,
               QStringLiteral("shows [%1], the names say [%2]")
                   .arg(listTexts(env.main->ListView1).join(QLatin1Char('|')), expected.join(QLatin1Char('|'))));
}

// --- Driving the windows --------------------------------------------------------------

void click(QWidget *w, QPoint at)
{
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
}

// The windows are not shown (see FuzzUi::showModal): a control counts as visible when it
// would be once its window is.
bool shown(const QWidget *w)
{
    return w->isVisibleTo(w->window());
}

void press(QAbstractButton *b)
{
    if (b && b->isEnabled() && shown(b))
        b->click();
}

int visibleKey(const std::vector<KeyBox *> &keys, Choices &c)
{
    std::vector<int> shown;
    for (int k = 0; k < static_cast<int>(keys.size()); ++k)
        if (!keys[static_cast<size_t>(k)]->isHidden())
            shown.push_back(k);
    return shown.empty() ? -1 : shown[static_cast<size_t>(c.below(static_cast<int>(shown.size())))];
}

void gridAction(GridEditor &e, Choices &c)
{
    const int pages = static_cast<int>(e.PicPAGE1.size());
    switch (c.below(8)) {
    case 0:
        e.selectMode(static_cast<GridEditor::Mode>(c.below(5)));
        break;
    case 1:
    case 3: {
        // Two corners: a New or a Resize that may well fit.
        const int page = c.below(pages), column = c.below(6), row = c.below(8);
        click(e.PicPAGE1[static_cast<size_t>(page)], QPoint(column * 20 + 9, row * 20 + 9));
        const int page2 = c.flag() ? page : c.below(pages);
        click(e.PicPAGE1[static_cast<size_t>(page2)],
              QPoint(std::min(5, column + 1 + c.below(3)) * 20 + 9, std::min(7, row + 1 + c.below(3)) * 20 + 9));
        break;
    }
    case 2:
        click(e.PicPAGE1[static_cast<size_t>(c.below(pages))], QPoint(c.below(125) - 2, c.below(165) - 2));
        break;
    case 4:
    case 5:
        if (const int k = visibleKey(e.PicKEY, c); k >= 0)
            click(e.PicKEY[static_cast<size_t>(k)], QPoint(c.below(40), c.below(40)));
        break;
    default:
        // A drag onto a key, a page or the editor's own surface.
        if (const int k = visibleKey(e.PicKEY, c); k >= 0) {
            QWidget *box = e.PicKEY[static_cast<size_t>(k)];
            QWidget *to = &e;
            switch (c.below(3)) {
            case 0:
                to = box;
                break;
            case 1:
                to = e.PicPAGE1[static_cast<size_t>(c.below(pages))];
                break;
            default:
                break;
            }
            const QPoint at(c.below(200) - 40, c.below(220) - 40);
            QTest::mousePress(box, Qt::LeftButton, {}, QPoint(c.below(40), c.below(40)));
            QTest::mouseMove(to, at);
            QTest::mouseRelease(to, Qt::LeftButton, {}, at);
        }
        break;
    }
}

void driveGrid(GridEditor &e, Choices &c)
{
    // Each editor starts in a mode of the input's choosing, so that New, Resize, Relabel
    // and Delete are tried as often as Move.
    e.selectMode(static_cast<GridEditor::Mode>(c.below(5)));
    for (int n = c.below(8); n > 0; --n)
        gridAction(e, c);
    press(c.flag() ? e.ComYES : e.ComNO);
    // However it closed, no drag cursor may stay behind.
    FUZZ_CHECK(!QGuiApplication::overrideCursor(), e.objectName());
}

void driveKeyIn(frmKeyIn &d, Choices &c)
{
    switch (c.below(4)) {
    case 0:
        d.Text_IN->setText(c.text());
        press(d.ComYES);
        break;
    case 1:
        press(d.OptIMG);
        press(d.Option1(frmKeyIn::iconNumber(c.below(frmKeyIn::IconCount))));
        press(d.ComYES);
        break;
    case 2:
        press(d.ComNO);
        break;
    default:
        break;   // left open: closed through the frame
    }
}

void driveMenuIn(frmMenuIn &d, Choices &c)
{
    if (c.flag())
        d.Text_IN->setText(c.text());
    if (c.flag())
        press(d.options[static_cast<size_t>(c.below(8))]);
    press(c.below(4) ? d.ComYES : d.ComNO);
}

void driveList(ListDialog &d, Choices &c)
{
    if (d.List1->count() > 0)
        d.List1->setCurrentRow(c.below(d.List1->count()));
    press(c.flag() ? d.ComYES : d.ComNO);
}

void driveSelectKey(frmSelectKey &d, Choices &c)
{
    for (int n = c.below(5); n > 0; --n) {
        switch (c.below(6)) {
        case 0:
        case 1: {
            std::vector<KeyBox *> keys(d.PicKEY.begin(), d.PicKEY.end());
            if (const int k = visibleKey(keys, c); k >= 0)
                QTest::mousePress(d.PicKEY[static_cast<size_t>(k)], Qt::LeftButton, {}, QPoint(3, 3));
            QTest::mouseRelease(&d, Qt::LeftButton, {}, QPoint(1, 1));
            break;
        }
        case 2:
            press(d.OptKEY[static_cast<size_t>(c.below(7))]);
            break;
        case 3:
            if (d.ComboBANK->isEnabled() && d.ComboBANK->count() > 0)
                d.ComboBANK->setCurrentIndex(c.below(d.ComboBANK->count()));
            break;
        case 4:
            press(c.flag() ? d.OptMACRO : d.OptMENU);
            break;
        default:
            if (d.ComboDELAY->isEnabled())
                d.ComboDELAY->setCurrentIndex(c.below(d.ComboDELAY->count()));
            break;
        }
    }
    press(c.flag() ? d.ComYES : d.ComNO);
}

void driveTimerIn(frmTimerIn &d, Choices &c)
{
    if (c.flag())
        d.Text_IN->setText(c.text());
    if (c.flag())
        press(d.OptCycle[static_cast<size_t>(c.below(12))]);
    for (QComboBox *combo : {d.ComboMonth, d.ComboDay, d.ComboHour, d.ComboMinute})
        if (combo->isEnabled() && shown(combo) && combo->count() > 0 && c.below(4) == 0)
            combo->setCurrentIndex(c.below(combo->count()));
    // Every timer's key is shown in the selector.
    press(d.ComKEY);
    press(c.below(4) ? d.ComYES : d.ComNO);
}

void driveMacroIn(Environment &env, frmMacroIn &d, Choices &c)
{
    // A step the input picks, in the key selector, once per distinct content in a run:
    // the selector sees nothing of a step but its two bytes and the image. Every step of
    // every macro would open hundreds of selectors per input on a full image and slow the
    // fuzzer tenfold; over many inputs every step is reached.
    const int count = d.stepCount();
    const int picks[1] = {1 + c.below(std::max(count, 1))};
    for (int n : picks) {
        if (n < 1 || n > count)
            continue;
        const Bytes<66> &rec = env.g->MacroRecord;
        const int key = (env.g->EditResult ? 1 << 16 : 0) | rec[static_cast<size_t>(2 * n - 2)] << 8
                        | rec[static_cast<size_t>(2 * n - 1)];
        if (!env.macroStepsSeen.insert(key).second)
            continue;
        press(d.OptEDIT);
        press(d.ComSTEP[static_cast<size_t>(n)]);
    }
    for (int n = c.below(3); n > 0; --n) {
        switch (c.below(4)) {
        case 0:
            press(d.OptNEW);
            break;
        case 1:
            press(d.OptINS);
            break;
        case 2:
            press(d.OptDEL);
            break;
        default:
            press(d.OptEDIT);
            break;
        }
        if (d.stepCount() > 0)
            press(d.ComSTEP[static_cast<size_t>(1 + c.below(d.stepCount()))]);
    }
    if (c.flag())
        d.Text_IN->setText(c.text());
    press(c.below(4) ? d.ComYES : d.ComNO);
}

void driveEditPlus(frmEditPlus &d, Choices &c)
{
    // Every key, in Setup or ReView.
    for (int k = 0; k < 12; ++k) {
        press(c.flag() ? d.OptEDIT : d.OptVIEW);
        click(d.PicKEY[static_cast<size_t>(k)], QPoint(10, 10));
    }
    press(c.flag() ? d.ComYES : d.ComNO);
}

void driveDialog(Environment &env, QDialog &dialog)
{
    Choices &c = *env.ui.choices;
    if (auto *grid = qobject_cast<GridEditor *>(&dialog))
        driveGrid(*grid, c);
    else if (auto *keyIn = qobject_cast<frmKeyIn *>(&dialog))
        driveKeyIn(*keyIn, c);
    else if (auto *menuIn = qobject_cast<frmMenuIn *>(&dialog))
        driveMenuIn(*menuIn, c);
    else if (auto *list = qobject_cast<ListDialog *>(&dialog))
        driveList(*list, c);
    else if (auto *plus = qobject_cast<frmEditPlus *>(&dialog))
        driveEditPlus(*plus, c);
    else if (auto *timer = qobject_cast<frmTimerIn *>(&dialog))
        driveTimerIn(*timer, c);
    else if (auto *macro = qobject_cast<frmMacroIn *>(&dialog))
        driveMacroIn(env, *macro, c);
    else if (auto *select = qobject_cast<frmSelectKey *>(&dialog))
        driveSelectKey(*select, c);
}

// --- What nothing but a load may change -----------------------------------------------

// The page headers and every address no fixed area covers: no editor may touch them.
std::vector<int> untouchableOffsets()
{
    static const std::vector<int> offsets = [] {
        std::vector<int> out;
        const std::pair<int, int> gaps[] = {{992, 1055},   {1066, 19535},  {20032, 20063}, {22128, 22131},
                                            {22502, 22504}, {22793, 23231}, {61248, 63359}, {84480, 126719}};
        for (const auto &[first, last] : gaps)
            for (int a = first; a <= last; ++a) {
                const ImageCursor at = ImageAddress(a);
                out.push_back(at.page * MemoryImage::PageSize + at.byte);
            }
        for (int p = 0; p < MemoryImage::PageCount; ++p) {
            out.push_back(p * MemoryImage::PageSize);
            out.push_back(p * MemoryImage::PageSize + 1);
        }
        for (int b = 2; b < MemoryImage::PageSize; ++b)
            out.push_back(512 * MemoryImage::PageSize + b);
        return out;
    }();
    return offsets;
}

void checkUntouched(const MemoryImage &before, const MemoryImage &after, const char *when)
{
    for (int offset : untouchableOffsets())
        FUZZ_CHECK(before.data()[offset] == after.data()[offset],
                   QStringLiteral("%1 changed page %2 byte %3")
                       .arg(QString::fromLatin1(when))
                       .arg(offset / MemoryImage::PageSize)
                       .arg(offset % MemoryImage::PageSize));
}

void editDevice(Environment &env, int bank, bool backup)
{
    Globals &g = *env.g;
    const Records<10, 264> blocks = [&] {
        if (backup)
            ReadBackupSlot(g.Image, g, bank);
        else
            ReadDeviceWorkset(g.Image, g, bank);
        return g.DevBlockBuf;
    }();
    g.EditResult = 0;
    env.main->hooks.showEditKey();
    FUZZ_CHECK(g.DevBlockBuf == blocks, QStringLiteral("the device editor changed block records"));
    if (!g.EditResult)
        return;
    if (backup)
        WriteBackupSlot(g.Image, g, bank);
    else
        WriteDeviceWorkset(g.Image, g, bank);
    g.Modified = 1;
    env.main->refreshSequence();
}

}  // namespace

void runDataFile(const std::uint8_t *data, std::size_t size)
{
    Environment &env = environment();
    Choices choices(data, size);
    resetDocument(env, choices);
    Globals &g = *env.g;

    writeInput(env.dataPath(), data, size);
    // Anything short of a whole data file is loaded only after the user's OK.
    const QString loadAnyway = QStringLiteral(" Load it anyway?");
    env.ui.alwaysOk = loadAnyway;
    fastOpen(env, QStringLiteral("DATA"), QStringLiteral("fuzz.DAT"));
    env.ui.alwaysOk.clear();
    const bool whole = size >= static_cast<std::size_t>(datafile::CompleteSize) && data[0] == 0xFF && data[1] == 0x01;
    FUZZ_CHECK(env.ui.messages.filter(loadAnyway).size() == (whole ? 0 : 1),
               QStringLiteral("asked %1 times whether to load it").arg(env.ui.messages.filter(loadAnyway).size()));
    FUZZ_CHECK(g.LoadedKind == 1 && g.Modified == 0 && g.CurrentFile == env.dataPath(),
               QStringLiteral("a readable data file must open; told: ") + env.ui.warnings.join(QLatin1Char('|')));
    const std::size_t loaded = size > 2 ? std::min<std::size_t>(size - 2, MemoryImage::TotalBytes) : 0;
    FUZZ_CHECK(loaded == 0 || std::memcmp(g.Image.data(), data + 2, loaded) == 0, QStringLiteral("image != file"));
    for (std::size_t i = loaded; i < static_cast<std::size_t>(MemoryImage::TotalBytes); ++i)
        FUZZ_CHECK(g.Image.data()[i] == 0, QStringLiteral("bytes beyond the file changed"));
    checkDeviceList(env);
    auto asLoaded = std::make_unique<MemoryImage>(g.Image);

    // Edit Device the user's way: the selection dialog, then the editor on that bank.
    trigger(env, "mnuKeyEdit");
    // Then every bank and every backup slot, whether a menu button names it or not.
    for (int b = 0; b < 10; ++b)
        editDevice(env, b, false);
    for (int k = 0; k < 8; ++k)
        editDevice(env, k, true);
    trigger(env, "mnuMenuEdit");
    trigger(env, "mnuTimer");
    trigger(env, "mnuMacro");
    // A device of the list, double-clicked into its editor and then stored as a backup.
    if (QTreeWidget *list = env.main->ListView1; list->topLevelItemCount() > 0) {
        QTreeWidgetItem *item = list->topLevelItem(choices.below(list->topLevelItemCount()));
        emit list->itemDoubleClicked(item, 0);
        if (list->topLevelItemCount() > 1) {
            emit list->itemClicked(list->topLevelItem(1 + choices.below(list->topLevelItemCount() - 1)), 0);
            trigger(env, "mnuOEMLoad");
        }
    }
    FUZZ_CHECK(env.ui.depth == 0, QStringLiteral("a dialog was left open"));
    checkUntouched(*asLoaded, g.Image, "an editor");
    checkDeviceList(env);

    // Save gives back exactly the document.
    g.Modified = 1;
    trigger(env, "mnuFileSave");
    FUZZ_CHECK(g.Modified == 0 && g.LoadedKind == 1, env.ui.warnings.join(QLatin1Char('|')));
    FUZZ_CHECK(readBack(env.dataPath()) == dataFileBytes(g.Image), QStringLiteral("saved file != image"));
}

void runModelFile(const std::uint8_t *data, std::size_t size)
{
    Environment &env = environment();
    Choices choices(data, size);
    resetDocument(env, choices);
    Globals &g = *env.g;

    writeInput(env.modelPath(), data, size);
    fastOpen(env, QStringLiteral("MODEL"), QStringLiteral("fuzz.MOD"));
    if (size < static_cast<std::size_t>(modelfile::Size)) {
        // Refused, told, and nothing loaded.
        FUZZ_CHECK(g.LoadedKind == 0 && g.CurrentFile.isEmpty(), QStringLiteral("a short model was opened"));
        FUZZ_CHECK(env.ui.warnings.size() == 1 && env.ui.warnings[0].contains(env.modelPath()),
                   env.ui.warnings.join(QLatin1Char('|')));
        return;
    }
    FUZZ_CHECK(g.LoadedKind == 2 && g.Modified == 0 && g.CurrentFile == env.modelPath(),
               env.ui.warnings.join(QLatin1Char('|')));
    const QByteArray asLoaded(reinterpret_cast<const char *>(data), modelfile::Size);
    FUZZ_CHECK(modelFileBytes(g) == asLoaded, QStringLiteral("workset != file"));
    FUZZ_CHECK(listTexts(env.main->ListView1) == QStringList{QStringLiteral("MODEL")},
               listTexts(env.main->ListView1).join(QLatin1Char('|')));

    for (int round = 0; round < 2; ++round) {
        const QByteArray before = modelFileBytes(g);
        const int modified = g.Modified;
        trigger(env, "mnuKeyEdit");
        // Cancel gives the model back as it was; the blocks never change.
        if (!g.EditResult)
            FUZZ_CHECK(modelFileBytes(g) == before && g.Modified == modified, QStringLiteral("cancel kept changes"));
        FUZZ_CHECK(modelFileBytes(g).mid(1236) == asLoaded.mid(1236), QStringLiteral("blocks changed"));
    }

    g.Modified = 1;
    trigger(env, "mnuFileSave");
    FUZZ_CHECK(g.Modified == 0 && g.LoadedKind == 2, env.ui.warnings.join(QLatin1Char('|')));
    FUZZ_CHECK(readBack(env.modelPath()) == modelFileBytes(g), QStringLiteral("saved model != workset"));
}

void runTransfer(const std::uint8_t *data, std::size_t size)
{
    Environment &env = environment();
    auto at = [&](std::size_t i) -> int { return i < size ? data[i] : 0; };
    const int flags = at(0);
    const bool upload = flags & 1;
    // The question before a download (unsaved changes) takes its answer from bits 5 to 7.
    const std::uint8_t answerByte = static_cast<std::uint8_t>(flags >> 5);
    Choices choices(&answerByte, 1, false);
    resetDocument(env, choices);
    Globals &g = *env.g;
    ScriptedLine &line = *env.line;
    TransferEngine &engine = env.link->engine();

    // A whole document is loaded: the download replaces it, the upload sends it.
    realisticImage(g.Image);
    g.LoadedKind = 1;
    env.main->refreshSequence();
    const auto before = std::make_unique<MemoryImage>(g.Image);

    // The header, then the bursts.
    line.reset();
    env.clock->now = 0;
    engine.ReceiveQueue.clear();   // kept between transfers by design; not between inputs
    if (flags & 2)
        line.escapeAtPoll = 1 + at(1) * 64;
    if (flags & 4)
        line.writesLeft = at(2) * 16;
    if (flags & 8)
        line.goneAtPoll = 1 + at(3) * 64;
    if (flags & 16)
        g.Modified = 1;
    std::int64_t arrival = at(4);
    for (std::size_t i = 5; i < size;) {
        const std::size_t n = std::min<std::size_t>(data[i], size - i - 1);
        line.bursts.push_back({arrival, QByteArray(reinterpret_cast<const char *>(data + i + 1), static_cast<qsizetype>(n))});
        i += 1 + n;
        arrival += 20 * at(i);
        ++i;
    }

    trigger(env, upload ? "mnuUP" : "mnuDOWN");
    // A port that fails as it opens is told at once and nothing runs.
    const bool started = engine.active();
    if (line.opens == 1 && !started)
        FUZZ_CHECK(env.ui.messages == env.ui.warnings && env.ui.messages.size() == 1,
                   env.ui.messages.join(QLatin1Char('|')));
    // A transfer spans at most 11 timer events.
    int events = 0;
    while (engine.active()) {
        FUZZ_CHECK(events < 11, QStringLiteral("still running after 11 timer events"));
        engine.TransferTick();
        ++events;
    }
    FUZZ_CHECK(!env.link->Timer1->isActive(), QStringLiteral("Timer1 left running"));
    FUZZ_CHECK(!line.isOpen && line.closes == line.opens, QStringLiteral("the port was left open"));
    FUZZ_CHECK(env.main->Picture1->isHidden(), QStringLiteral("the progress panel stayed"));
    const int ok = static_cast<int>(env.ui.messages.count(QStringLiteral(" OK !")));
    const int failed = static_cast<int>(env.ui.messages.count(QStringLiteral(" fail !")));
    FUZZ_CHECK(!started || ok + failed == 1, env.ui.messages.join(QLatin1Char('|')));

    // Page 512 never travels; a downloaded page lands only where its header says it
    // belongs; an upload only reads.
    for (int b = 0; b < MemoryImage::PageSize; ++b)
        FUZZ_CHECK(g.Image.at(512, b) == before->at(512, b), QStringLiteral("page 512 changed"));
    for (int p = 0; p < MemoryImage::RemotePages; ++p) {
        if (std::memcmp(g.Image.page(p), before->page(p), MemoryImage::PageSize) == 0)
            continue;
        FUZZ_CHECK(!upload, QStringLiteral("the upload changed page %1").arg(p));
        FUZZ_CHECK(g.Image.at(p, 0) + 256 * g.Image.at(p, 1) == p, QStringLiteral("page %1 stored elsewhere").arg(p));
    }
    if (started && ok == 1)
        FUZZ_CHECK(g.LoadedKind == 1 && g.Modified == 1, QStringLiteral("success without the document"));
    if (started && !upload && failed == 1)
        FUZZ_CHECK(g.LoadedKind == 0 && g.Modified == 0, QStringLiteral("a failed download kept the document"));
    checkDeviceList(env);
}

namespace {
// With QUILLET_FUZZ_STATS set, what a run showed: to see that the inputs reach the windows.
void printStats()
{
    if (!qEnvironmentVariableIsSet("QUILLET_FUZZ_STATS"))
        return;
    const Environment &env = environment();
    QStringList parts;
    for (auto it = env.ui.shownCount.cbegin(); it != env.ui.shownCount.cend(); ++it)
        parts << QStringLiteral("%1 %2 (%3 ms)").arg(it.key()).arg(it.value()).arg(env.ui.shownNs.value(it.key()) / 1000000);
    std::fprintf(stderr, "shown: %s; warnings: %lld\n", qPrintable(parts.join(QStringLiteral(", "))),
                 static_cast<long long>(env.ui.warnings.size()));
    if (qEnvironmentVariableIsSet("QUILLET_FUZZ_VERBOSE"))
        std::fprintf(stderr, "messages: %s\n", qPrintable(env.ui.messages.join(QStringLiteral(" | "))));
}
}  // namespace

void run(Target t, const std::uint8_t *data, std::size_t size)
{
    switch (t) {
    case Target::DataFile:
        runDataFile(data, size);
        break;
    case Target::ModelFile:
        runModelFile(data, size);
        break;
    case Target::Transfer:
        runTransfer(data, size);
        break;
    case Target::Readers:
        // No window: nothing to settle, nothing to report.
        runReaders(data, size);
        return;
    case Target::EditModel:
        runEditModel(data, size);
        return;
    case Target::MemoryText:
        runMemoryText(data, size);
        return;
    case Target::Inputs:
        runInputs(data, size);
        return;
    }
    // The program returns to its event loop after every command; so does the harness,
    // which also lets deferred deletions happen instead of piling up run after run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    Environment &env = environment();
    env.report.messages = env.ui.messages;
    env.report.loadedKind = env.g->LoadedKind;
    auto realistic = std::make_unique<MemoryImage>();
    realisticImage(*realistic);
    env.report.imageIsRealistic = std::memcmp(realistic->data(), env.g->Image.data(), MemoryImage::TotalBytes) == 0;
    printStats();
}

const RunReport &lastRun()
{
    return environment().report;
}

void run(Target t, const QByteArray &input)
{
    run(t, reinterpret_cast<const std::uint8_t *>(input.constData()), static_cast<std::size_t>(input.size()));
}

int initialise(Target t, int *argc, char ***argv)
{
    writeSeedsIfAsked(t, argc, argv);
    environment();
    return 0;
}

}  // namespace quillet::fuzz
