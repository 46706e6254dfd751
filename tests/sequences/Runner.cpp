#include "Runner.h"

#include "app/DocumentRecovery.h"
#include "app/ExternalFiles.h"
#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/RecoveryFile.h"
#include "editors/GridEditor.h"
#include "editors/Install.h"
#include "link/Install.h"
#include "link/TransferController.h"
#include "link/VirtualLink.h"
#include "plus/Install.h"
#include "tools/remotesim/DemoImage.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <cstring>

using namespace quillet;
using namespace quillet::testing;

namespace seq {

namespace {

// The remote at the other end of the cable: a fresh simulator for every transfer, so that
// each misbehaves afresh, all in virtual time. The user acts (Escape, a drop) at a moment
// of the transfer, counted in the bytes that have crossed the cable.
class SwitchPort : public SerialPort {
public:
    void reset(const sim::Options &o, const QByteArray &image, VirtualClock &clock)
    {
        port_.reset();
        MemoryImage memory;
        std::memcpy(memory.data(), image.constData(), ImageBytes);
        remote = std::make_unique<sim::RemoteModel>(o, memory);
        port_ = std::make_unique<ModelPort>(*remote, clock);
        traffic = 0;
    }
    std::unique_ptr<sim::RemoteModel> remote;
    long long traffic = 0;
    long long when = -1;
    std::function<void()> act;

    void setCommPort(int n) override { port_->setCommPort(n); }
    void setSettings(const QString &s) override { port_->setSettings(s); }
    bool open() override { return port_->open(); }
    void close() override { port_->close(); }
    bool writeByte(std::uint8_t b) override
    {
        crossed(1);
        return port_->writeByte(b);
    }
    int bytesWaiting() override { return port_->bytesWaiting(); }
    QByteArray readAll() override
    {
        const QByteArray in = port_->readAll();
        crossed(in.size());
        return in;
    }
    void waitForBytes(int ms) override { port_->waitForBytes(ms); }
    QString errorString() const override { return port_->errorString(); }

private:
    void crossed(qsizetype n)
    {
        traffic += n;
        if (when >= 0 && traffic >= when) {
            when = -1;
            act();
        }
    }
    std::unique_ptr<ModelPort> port_;
};

// Answers every box as the step says, and only with what the real box can return.
class Responder : public ScriptedUiServices {
public:
    std::function<int(const QString &, int)> decide;
    std::function<void(const QString &)> modal;
    int message(QWidget *, const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override
    {
        const int answer = decide(text, static_cast<int>(buttons));
        shown.append({text, title, icon, buttons, answer});
        return answer;
    }
    int showModal(QDialog &dialog) override
    {
        modal(dialog.objectName());
        return ScriptedUiServices::showModal(dialog);
    }
};

// A disk with room for so many bytes, or a folder that cannot be written, for every
// guarded save.
class RefusedSave : public QSaveFile {
public:
    RefusedSave(const QString &path, qint64 room) : QSaveFile(path), room_(room) {}
    bool open(OpenMode mode) override
    {
        if (room_ < 0) {
            setErrorString(QStringLiteral("Permission denied"));
            return false;
        }
        return QSaveFile::open(mode);
    }

protected:
    qint64 writeData(const char *data, qint64 len) override
    {
        if (len > room_) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        room_ -= len;
        return QSaveFile::writeData(data, len);
    }

private:
    qint64 room_;
};

QByteArray worksetBytes(const Globals &g)
{
    QByteArray out;
    auto add = [&out](const auto &records) {
        for (const auto &r : records)
            out.append(reinterpret_cast<const char *>(r.data()), static_cast<qsizetype>(r.size()));
    };
    add(g.DevSlotBuf);
    add(g.DevRectBuf);
    out.append(reinterpret_cast<const char *>(g.DevLocBuf.data()), 36);
    add(g.DevLabelBuf);
    add(g.DevBlockBuf);
    return out;
}

QStringList listTexts(const QTreeWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(0);
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void clickAt(QWidget *w, QPoint p = {})
{
    if (p.isNull())
        p = w->inherits("QRadioButton") ? QPoint(6, w->height() / 2) : w->rect().center();
    QTest::mouseClick(w, Qt::LeftButton, {}, p);
}

bool clickNamed(QWidget &owner, const QString &name)
{
    auto *w = owner.findChild<QWidget *>(name);
    if (!w || !w->isEnabled() || !w->isVisible())
        return false;
    clickAt(w);
    return true;
}

void clickItem(QAbstractItemView *view, const QModelIndex &index, bool twice = false)
{
    view->scrollTo(index);
    const QRect r = view->visualRect(index);
    const QPoint at(std::min(r.center().x(), r.left() + 30), r.center().y());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

constexpr int Later = 8;   // the restore question's third answer, and its Escape

int digit(int number, int i)
{
    for (int n = 0; n < 2 - i; ++n)
        number /= 3;
    return i > 2 ? 0 : number % 3;
}

Doc copyDoc(const RecoveryCopy &c)
{
    Doc d;
    d.kind = c.loadedKind;
    d.modified = 1;
    d.file = c.currentFile;
    d.caption = c.caption;
    (c.loadedKind == 2 ? d.dev : d.img) = c.document;
    return d;
}

bool sameCopy(const Doc &a, const Doc &b)
{
    return a.kind == b.kind && a.file == b.file && a.caption == b.caption && a.bytes() == b.bytes();
}

QString describe(const Doc &d)
{
    return QStringLiteral("kind %1 \"%2\" \"%3\"").arg(d.kind).arg(d.file, d.caption);
}

}  // namespace

struct Session {
    Globals g;
    Responder ui;
    std::unique_ptr<frmMain> w;
    TransferController *c = nullptr;
    VirtualClock *clock = nullptr;
    SwitchPort *port = nullptr;
};

Runner::Runner(const QString &root, const Rules &rules) : root_(root), rules_(rules)
{
    realDisk_ = QStorageInfo(path(QString())).rootPath() == QDir(path(QString())).absolutePath();
}

Runner::~Runner() = default;

QString Runner::path(const QString &rel) const { return root_ + QStringLiteral("/app/") + rel; }

void Runner::fileAnswer(const QString &rel) { s_->ui.fileAnswers.push_back(path(rel)); }

void Runner::settle(int rounds)
{
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}

void Runner::violation(const QString &rule, const QString &text)
{
    if (rules_.relaxed.contains(rule))
        return;
    violations_ << Failure{rule, text};
}

bool Runner::trigger(const char *name)
{
    QAction *a = s_->w->action(QLatin1String(name));
    if (!a || !a->isEnabled())
        return false;
    a->trigger();
    return true;
}

// ---------------------------------------------------------------------------------------
// Starting

void Runner::calm()
{
    if (s_)
        s_->g.makeSaveFile = {};
    if (realDisk_ && room_ < 0)
        QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,rw"), path(QString())});
    if (realDisk_)
        QFile::remove(path(QStringLiteral("filler.bin")));
    armed_ = 0;
    room_ = 0;
}

bool Runner::start(Failure *f)
{
    calm();
    s_.reset();
    violations_.clear();
    for (const char *folder : {"app/DATA", "app/MODEL", "app/EXPORT", "Recovery"})
        QDir(root_ + QLatin1Char('/') + QLatin1String(folder)).removeRecursively();
    MemoryImage demo;
    sim::buildDemoImage(demo);
    const QByteArray a(reinterpret_cast<const char *>(demo.data()), ImageBytes);
    QByteArray b = a, remote = a;
    b[at(22008 + 3)] = 9;            // timer 1 at another hour
    remote[at(24024 + 2 + 1)] = 'Q'; // a key label the remote has changed
    m = Model{};
    m.remote = remote;
    m.files[QStringLiteral("DATA/a.DAT")] = dataFile(a);
    m.files[QStringLiteral("DATA/b.DAT")] = dataFile(b);
    m.files[QStringLiteral("DATA/short.DAT")] = dataFile(b).left(1000);
    m.files[QStringLiteral("DATA/odd.DAT")] = QByteArray(2, '\0') + dataFile(b).mid(2);
    m.files[QStringLiteral("MODEL/m.MOD")] = deviceBytes(a, 0);
    m.files[QStringLiteral("MODEL/n.MOD")] = deviceBytes(a, 2);
    QDir().mkpath(path(QStringLiteral("DATA")));
    QDir().mkpath(path(QStringLiteral("MODEL")));
    for (auto it = m.files.cbegin(); it != m.files.cend(); ++it) {
        QFile out(path(it.key()));
        if (!out.open(QIODevice::WriteOnly) || out.write(it.value()) != it.value().size())
            qFatal("cannot write %s", qPrintable(it.key()));
    }
    static const Step none;
    cur_ = &none;
    startSession();
    return check(f);
}

void Runner::startSession()
{
    s_ = std::make_unique<Session>();
    s_->ui.decide = [this](const QString &t, int b) { return answer(t, b); };
    s_->ui.modal = [this](const QString &name) {
        if (s_ && s_->c && s_->c->engine().active())
            violation(QStringLiteral("box"), QStringLiteral("the window %1 opened while a transfer ran").arg(name));
    };
    StartupOptions o;
    o.appDir = path(QString()).chopped(1);
    o.showSplash = false;
    o.recoveryDir = root_ + QStringLiteral("/Recovery");
    s_->w = runStartup(s_->g, s_->ui, o);
    auto port = std::make_unique<SwitchPort>();
    auto clock = std::make_unique<VirtualClock>();
    s_->port = port.get();
    s_->clock = clock.get();
    port->reset({}, m.remote, *clock);
    s_->c = installLink(*s_->w, std::move(port), std::move(clock));
    s_->c->Timer1->setInterval(0);
    installEditors(*s_->w);
    installPlus(*s_->w);
    if (auto *r = s_->w->findChild<DocumentRecovery *>())
        r->delayMs = 0;
}

bool Runner::resume(const Model &model, const Step &restartStep, Failure *f)
{
    m = model;
    violations_.clear();
    cur_ = &restartStep;
    return restart(restartStep, m.expectedCopies(), f) && check(f);
}

// A new start over the same folders: every copy left is offered, newest first, until one
// is restored; the step's digits answer them in turn.
bool Runner::restart(const Step &st, QList<Doc> offered, Failure *f)
{
    QDir dir(root_ + QStringLiteral("/Recovery"));
    const QFileInfoList onDisk = dir.entryInfoList({QStringLiteral("*.rec")}, QDir::Files, QDir::Time);
    QList<Doc> order;
    for (const QFileInfo &info : onDisk) {
        RecoveryCopy copy;
        if (!parseRecovery(readAll(info.filePath()), copy, nullptr)) {
            *f = {QStringLiteral("recovery"), QStringLiteral("a damaged copy %1 was left").arg(info.fileName())};
            return false;
        }
        Doc d = copyDoc(copy);
        // Its file saved after the copy was kept: restored, it is not saved over that unasked.
        const QFileInfo file(copy.currentFile);
        d.saveAsFirst = file.isFile() && file.lastModified().toMSecsSinceEpoch() > copy.writtenMs;
        const auto it = std::find_if(offered.begin(), offered.end(), [&d](const Doc &o) { return sameCopy(o, d); });
        if (it == offered.end()) {
            *f = {QStringLiteral("recovery"), QStringLiteral("a copy nobody expects was left: ") + describe(d)};
            return false;
        }
        offered.erase(it);
        order << d;
    }
    if (!offered.isEmpty()) {
        *f = {QStringLiteral("recovery"), QStringLiteral("a copy is missing: ") + describe(offered.first())};
        return false;
    }
    m.doc = Doc{};
    m.leftCopies.clear();
    restoreAsked_ = 0;
    bool restored = false;
    for (int i = 0; i < order.size(); ++i) {
        const int a = digit(st[QStringLiteral("a")], i);
        if (restored || a == 2) {
            m.leftCopies << order[i];
        } else if (a == 0) {
            m.doc = order[i];
            if (m.doc.kind == 2)
                m.doc.img = QByteArray(ImageBytes, '\0');
            restored = true;
        }
    }
    s_.reset();
    startSession();
    return true;
}

// ---------------------------------------------------------------------------------------
// Answers

int Runner::answer(const QString &text, int buttons)
{
    if (s_ && s_->c && s_->c->engine().active())
        violation(QStringLiteral("box"), QStringLiteral("a message box opened while a transfer ran: ") + text);
    const Step &st = *cur_;
    const auto b = static_cast<MsgButtons>(buttons);
    // What Escape or the close button gives: the escape button of the real box.
    const int escape = b == MsgButtons::OK ? answer::OK : b == MsgButtons::YesNoLater ? Later : answer::Cancel;
    if (text == QLatin1String(" OK !") || text == QLatin1String(" fail !"))
        results_ << text;
    if (text == QLatin1String("Data has been modified, do you want to save?")) {
        const int a = st[QStringLiteral("save")];
        return a == 0 ? answer::Yes : a == 1 ? answer::No : a == 2 ? answer::Cancel : escape;
    }
    if (text == QLatin1String("replace"))
        return st[QStringLiteral("rep")] ? answer::Cancel : answer::OK;
    if (text == QLatin1String("Warning delete file?"))
        return st[QStringLiteral("ok")] ? answer::OK : answer::Cancel;
    if (text == QLatin1String("Warning delete key?"))
        return subOk_ ? answer::OK : escape;
    if (text.contains(QLatin1String("did not close normally"))) {
        const int a = digit(st[QStringLiteral("a")], restoreAsked_++);
        return a == 0 ? answer::Yes : a == 1 ? answer::No : escape;
    }
    if (text.contains(QLatin1String("Cancel will not bring them back")))
        return st[QStringLiteral("q")] == 0 ? answer::OK : st[QStringLiteral("q")] == 1 ? answer::Cancel : escape;
    if (text.contains(QLatin1String("Load it anyway?")))
        return st[QStringLiteral("short")] == 0 ? answer::OK : st[QStringLiteral("short")] == 1 ? answer::Cancel : escape;
    if (text.startsWith(QLatin1String("Discard your changes")))
        return answer::Yes;
    return escape;
}

// ---------------------------------------------------------------------------------------
// The model of the file commands

bool Runner::saved(const QString &rel, const QByteArray &bytes)
{
    if (refused(bytes))
        return false;
    m.files[rel] = bytes;
    return true;
}

// The save dialog: an existing file of the folder, a new name, or Cancel; an existing one
// asks "replace", whose Cancel shows the dialog again, which is then cancelled.
QString Runner::chooseSave(const Step &st, bool model)
{
    const QString folder = model ? QStringLiteral("MODEL") : QStringLiteral("DATA");
    const QString suffix = model ? QStringLiteral(".MOD") : QStringLiteral(".DAT");
    const QStringList existing = m.filesIn(folder, suffix);
    const int as = st[QStringLiteral("as")];
    const int pick = as % static_cast<int>(existing.size() + 2);
    if (pick == existing.size() + 1)
        return {};
    const QString rel = pick < existing.size() ? existing[pick] : folder + QStringLiteral("/S%1").arg(as) + suffix;
    fileAnswer(rel);
    if (m.files.contains(rel) && st[QStringLiteral("rep")])
        return {};
    return rel;
}

bool Runner::saveDocAs(const Step &st)
{
    const QString rel = chooseSave(st, m.doc.kind == 2);
    if (rel.isEmpty() || !saved(rel, m.doc.kind == 2 ? m.doc.dev : dataFile(m.doc.img)))
        return false;
    m.doc.file = path(rel);
    m.doc.saveAsFirst = false;
    return true;
}

void Runner::saveAsCommand(const Step &st)
{
    if (m.doc.kind == 0 || !saveDocAs(st))
        return;
    m.doc.caption = title(m.doc.file);
    m.doc.modified = 0;
}

bool Runner::discard(const Step &st, Discard rule)
{
    if (!m.doc.modified)
        return true;
    const int a = st[QStringLiteral("save")];
    if (a == 1)
        return true;
    if (a != 0)
        return false;
    if (rule == Discard::SaveAsThenStop) {
        saveAsCommand(st);
        return false;
    }
    if (m.doc.kind == 0 || !saveDocAs(st))
        return false;
    m.doc.modified = 0;
    if (rule == Discard::SaveThenGoOnRefresh)
        m.doc.caption = title(m.doc.file);
    return true;
}

bool Runner::load(const QString &rel)
{
    const QByteArray bytes = m.files.value(rel);
    if (rel.endsWith(QLatin1String(".MOD"))) {
        m.doc.dev = bytes.left(ModelBytes);
        m.doc.kind = 2;
    } else {
        // A file that is not a whole data file mixes into the memory: asked first.
        if (rules_.on("short") && (bytes.size() != FileBytes || !bytes.startsWith("\xFF\x01")) &&
            (*cur_)[QStringLiteral("short")] != 0)
            return false;
        loadDataFile(m.doc.img, bytes);
        m.doc.kind = 1;
    }
    m.doc.file = path(rel);
    m.doc.caption = title(m.doc.file);
    m.doc.modified = 0;
    m.doc.saveAsFirst = false;
    return true;
}

// ---------------------------------------------------------------------------------------
// Driving the window

bool Runner::selectInTree(const QString &rel)
{
    QTreeWidget *tree = s_->w->TreeView1;
    QTreeWidgetItem *item = tree->topLevelItem(0);
    for (const QString &name : rel.split(QLatin1Char('/'))) {
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; item && i < item->childCount() && !next; ++i)
            if (item->child(i)->text(0) == name)
                next = item->child(i);
        item = next;
    }
    if (!item)
        return false;
    for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    clickItem(tree, tree->indexFromItem(item));
    return true;
}

bool Runner::clickDevice(const QString &name, bool twice)
{
    QTreeWidget *list = s_->w->ListView1;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(0) == name) {
            clickItem(list, list->indexFromItem(list->topLevelItem(i)), twice);
            return true;
        }
    }
    return false;
}

// A file manager's drag over the window and its drop; true when the window took it.
bool Runner::dropFile(const QString &rel)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path(rel))});
    QWindow *window = s_->w->windowHandle();
    const QPoint at = s_->w->TreeView1->mapTo(s_->w.get(), s_->w->TreeView1->rect().center());
    const auto actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDragMoveEvent move(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
    if (!enter.isAccepted() || !move.isAccepted()) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window, &leave);
        return false;
    }
    QDropEvent drop(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

// ---------------------------------------------------------------------------------------
// Actions

bool Runner::run(const Step &st, Failure *f)
{
    cur_ = &st;
    results_.clear();
    violations_.clear();
    s_->ui.clear();
    restoreAsked_ = 0;
    const QString &k = st.kind;
    if (k == QLatin1String("open")) {
        open(st);
    } else if (k == QLatin1String("save") && m.doc.saveAsFirst) {
        saveAsCommand(st);
        trigger("mnuFileSave");
    } else if (k == QLatin1String("save")) {
        const bool dat = m.doc.file.endsWith(QLatin1String(".DAT")), mod = m.doc.file.endsWith(QLatin1String(".MOD"));
        if (m.doc.kind && (dat || mod) && saved(m.doc.file.mid(path(QString()).size()), mod ? m.doc.dev : dataFile(m.doc.img))) {
            m.doc.caption = title(m.doc.file);
            m.doc.kind = mod ? 2 : 1;
            m.doc.modified = 0;
        }
        trigger("mnuFileSave");
    } else if (k == QLatin1String("saveas")) {
        saveAsCommand(st);
        trigger("mnuFileSaveAs");
    } else if (k == QLatin1String("delete") || k == QLatin1String("rename")) {
        removeOrRename(st);
    } else if (k == QLatin1String("device")) {
        device(st);
    } else if (k == QLatin1String("timer")) {
        timer(st);
    } else if (k == QLatin1String("menu")) {
        menu(st);
    } else if (k == QLatin1String("macro")) {
        macro(st);
    } else if (k == QLatin1String("comparefile") || k == QLatin1String("export")) {
        compareOrExport(st);
    } else if (k == QLatin1String("download") || k == QLatin1String("upload") || k == QLatin1String("compare")) {
        transfer(st);
    } else if (k == QLatin1String("fault")) {
        // The next steps meet a full disk or a folder they may not write: the program's
        // folder for real when it is a disk of its own, else every guarded save.
        calm();
        armed_ = 3;
        room_ = st[QStringLiteral("how")] ? -1 : st[QStringLiteral("room")];
        if (!realDisk_) {
            s_->g.makeSaveFile = [room = room_](const QString &p) { return std::make_unique<RefusedSave>(p, room); };
        } else if (room_ < 0) {
            QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), path(QString())});
        } else {
            QFile filler(path(QStringLiteral("filler.bin")));
            filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            for (const int size : {1 << 20, 4096}) {
                const QByteArray block(size, '\0');
                while (filler.write(block) == block.size()) {
                }
            }
            room_ = 0;
        }
        ++stepsRun;
        return check(f);
    } else if (k == QLatin1String("modelload") || k == QLatin1String("modelsave") || k == QLatin1String("backup")) {
        modelOrBackup(st);
    } else if (k == QLatin1String("exit")) {
        exitAndStart(st);
    }
    settle();
    if (armed_ == 1)
        calm();
    else if (armed_)
        --armed_;
    ++stepsRun;
    return check(f);
}

void Runner::open(const Step &st)
{
    const int via = st[QStringLiteral("via")];
    QStringList files = via == 1 ? QStringList() : m.filesIn(QStringLiteral("DATA"), QStringLiteral(".DAT"));
    if (via != 0)
        files += m.filesIn(QStringLiteral("MODEL"), QStringLiteral(".MOD"));
    const int pick = st[QStringLiteral("f")] % static_cast<int>(files.size() + 1);
    const QString rel = files.value(pick);
    if (via < 2) {
        if (discard(st, Discard::SaveAsThenStop) && !rel.isEmpty()) {
            fileAnswer(rel);
            load(rel);
        }
        trigger(via ? "mnuFileOpenMODEL" : "mnuFileOpenDATA");
        return;
    }
    if (rel.isEmpty())
        return;
    if (via == 2) {
        selectInTree(rel);
        if (discard(st, Discard::SaveThenGoOnRefresh))
            load(rel);
        trigger("mnuLoad");
        return;
    }
    // By file argument or by a drop: opened as Open does, question first.
    if (discard(st, Discard::SaveAsThenStop))
        load(rel);
    if (via == 3)
        openWhenShown(*s_->w, path(rel));
    else if (!dropFile(rel))
        violation(QStringLiteral("drop"), QStringLiteral("a drop of %1 was refused").arg(rel));
    settle();
}

void Runner::removeOrRename(const Step &st)
{
    const QStringList files = m.filesIn(QStringLiteral("DATA"), QStringLiteral(".DAT")) +
                              m.filesIn(QStringLiteral("MODEL"), QStringLiteral(".MOD"));
    const QString rel = files.value(st[QStringLiteral("f")] % static_cast<int>(files.size() + 1));
    if (rel.isEmpty() || !selectInTree(rel))
        return;
    // A read-only folder lets nothing be deleted or renamed.
    const bool fixed = realDisk_ && armed_ && room_ < 0;
    if (st.kind == QLatin1String("delete")) {
        if (path(rel) != m.doc.file && st[QStringLiteral("ok")] && !fixed)
            m.files.remove(rel);
        trigger("mnuDelete");
        return;
    }
    const QString name = QStringLiteral("R%1").arg(st[QStringLiteral("name")]);
    const QString target = rel.section(QLatin1Char('/'), 0, 0) + QLatin1Char('/') + name + rel.right(4).toUpper();
    if (st[QStringLiteral("ok")] && !m.files.contains(target) && !fixed)
        m.files[target] = m.files.take(rel);
    s_->ui.onDialog([&st, name](QDialog &d) {
        d.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(name);
        clickNamed(d, st[QStringLiteral("ok")] ? QStringLiteral("ComYES") : QStringLiteral("ComNO"));
    });
    trigger("mnuRENAME");
}

void Runner::device(const Step &st)
{
    if (m.doc.kind == 0)
        return;
    int bank = -1;
    QByteArray layout = m.doc.dev;
    QString entry = QStringLiteral("MODEL");
    int row = 0;
    if (m.doc.kind == 1) {
        const QStringList names = deviceNames(m.doc.img);
        QStringList listed;
        for (const QString &n : names)
            if (!n.isEmpty())
                listed << n;
        if (listed.isEmpty())
            return;
        row = st[QStringLiteral("dev")] % static_cast<int>(listed.size());
        entry = listed[row];
        bank = static_cast<int>(names.indexOf(entry));
        layout = deviceBytes(m.doc.img, bank);
        if (!st[QStringLiteral("via")]) {
            s_->ui.onDialog([row](QDialog &d) {
                auto *list = d.findChild<QListWidget *>(QStringLiteral("List1"));
                clickItem(list, list->model()->index(row, 0));
                clickNamed(d, QStringLiteral("ComYES"));
            });
        }
    }
    // The editor's rules are the ones for a layout that keeps them; a memory mixed from a
    // short file keeps none, and what the editor makes of it is its own business.
    if (!Layout{layout}.sane()) {
        s_->ui.dialogScripts.clear();
        return;
    }
    QList<QByteArray> undo, redo;
    s_->ui.onDialog([&](QDialog &d) {
        auto &e = static_cast<GridEditor &>(d);
        Layout l{layout};
        for (int i = 0; i < st[QStringLiteral("n")]; ++i) {
            const int op = st.sub("o", i), p = st.sub("p", i), c = st.sub("c", i), r = st.sub("r", i);
            const QList<int> keys = l.keys();
            const int key = keys.isEmpty() ? -1 : keys[st.sub("k", i) % keys.size()];
            const QByteArray before = layout;
            s_->ui.dialogScripts.clear();
            auto label = [this](const QString &text) {
                s_->ui.onDialog([text](QDialog &dialog) {
                    clickNamed(dialog, QStringLiteral("OptTEXT"));
                    dialog.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->setText(text);
                    clickNamed(dialog, QStringLiteral("ComYES"));
                });
            };
            if (op == 0) {
                const int c2 = std::min(c + st.sub("w", i), 5), r2 = std::min(r + st.sub("h", i), 7);
                // A corner on a key would be a click on the key, not on the page.
                if (l.covered(p, c, r) || l.covered(p, c2, r2))
                    continue;
                const QString text = labelText(st.sub("t", i));
                if (l.create(p, c, r, c2, r2, text))
                    label(text);
                clickAt(e.OptNEW);
                for (const auto &[col, rw] : {std::pair{c, r}, std::pair{c2, r2}})
                    clickAt(e.PicPAGE1[static_cast<size_t>(p)], QPoint(col * 20 + 9, rw * 20 + 9));
            } else if (op == 1 && key >= 0) {
                QString text = labelText(st.sub("t", i));
                if (text == l.text(key))
                    text += QLatin1Char('X');
                l.relabel(key, text);
                label(text);
                clickAt(e.OptEDIT);
                clickAt(e.PicKEY[static_cast<size_t>(key)], QPoint(5, 5));
            } else if ((op == 2 || op == 3) && key >= 0) {
                subOk_ = op == 2;
                if (subOk_)
                    l.remove(key);
                clickAt(e.OptDEL);
                clickAt(e.PicKEY[static_cast<size_t>(key)], QPoint(5, 5));
            } else if (op == 4 || op == 5) {
                QList<QByteArray> &from = op == 4 ? undo : redo, &to = op == 4 ? redo : undo;
                QPushButton *button = op == 4 ? e.cmdUndo : e.cmdRedo;
                if (button->isEnabled() != !from.isEmpty())
                    violation(QStringLiteral("doc"), QStringLiteral("%1 is %2 after %3 edits").arg(button->objectName(),
                              button->isEnabled() ? QStringLiteral("on") : QStringLiteral("off")).arg(from.size()));
                if (from.isEmpty())
                    continue;
                to << layout;
                layout = from.takeLast();
                clickAt(button);
                continue;
            }
            if (layout != before) {
                undo << before;
                redo.clear();
            }
        }
        s_->ui.dialogScripts.clear();
        const int end = st[QStringLiteral("end")];
        if (end == 0)
            clickAt(e.ComYES);
        else if (end == 1)
            clickAt(e.ComNO);
        else
            QTest::keyClick(&e, Qt::Key_Escape);
    });
    if (m.doc.kind == 1 && !st[QStringLiteral("via")])
        trigger("mnuKeyEdit");
    else
        clickDevice(entry, true);
    if (st[QStringLiteral("end")] == 0) {
        if (m.doc.kind == 1)
            putDeviceBytes(m.doc.img, bank, layout);
        else
            m.doc.dev = layout;
        m.doc.modified = 1;
    }
}

void Runner::timer(const Step &st)
{
    if (m.doc.kind != 1)
        return;
    const int t = st[QStringLiteral("t")];
    const QList<int> fields{st[QStringLiteral("cycle")], st[QStringLiteral("mo")], st[QStringLiteral("d")],
                            st[QStringLiteral("h")], st[QStringLiteral("mi")]};
    const QString name = labelText(st[QStringLiteral("name")]);
    const bool inner = st[QStringLiteral("inner")] == 0;
    s_->ui.onDialog([&](QDialog &page) {
        s_->ui.onDialog([&](QDialog &d) {
            d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->setText(name);
            // The date shows only for a specific day: chosen first, then the cycle.
            clickNamed(d, QStringLiteral("OptCycle_1"));
            const char *combos[4] = {"ComboMonth", "ComboDay", "ComboHour", "ComboMinute"};
            for (int i = 0; i < 4; ++i) {
                auto *combo = d.findChild<QComboBox *>(QLatin1String(combos[i]));
                const int index = fields[i + 1] - (i < 2 ? 1 : 0);
                combo->setCurrentIndex(index);
                emit combo->activated(index);
            }
            clickNamed(d, QStringLiteral("OptCycle_%1").arg(fields[0]));
            clickNamed(d, inner ? QStringLiteral("ComYES") : QStringLiteral("ComNO"));
        });
        clickNamed(page, QStringLiteral("OptEDIT"));
        clickNamed(page, QStringLiteral("PicKEY_%1").arg(t));
        s_->ui.dialogScripts.clear();
        const int end = st[QStringLiteral("end")];
        if (end == 2)
            QTest::keyClick(&page, Qt::Key_Escape);
        else
            clickNamed(page, end == 0 ? QStringLiteral("ComYES") : QStringLiteral("ComNO"));
    });
    trigger("mnuTimer");
    if (st[QStringLiteral("end")] == 0) {
        for (int i = 0; inner && i < 5; ++i)
            m.doc.img[at(22008 + 10 * t + i)] = static_cast<char>(fields[i]);
        setNames(m.doc.img, 23232, inner ? t : -1, name);
        m.doc.modified = 1;
    }
}

// A device button renamed, and given a kind, in the main-menu editor.
void Runner::menu(const Step &st)
{
    if (m.doc.kind != 1)
        return;
    QList<int> buttons;
    for (int i = 0; i < 16; ++i)
        if (static_cast<quint8>(m.doc.img[at(20016 + i)]) <= 9)
            buttons << static_cast<quint8>(m.doc.img[at(20016 + i)]);
    // Only a menu that keeps the editor's rules: each button once, its label on its page.
    for (int i = 0; i < buttons.size(); ++i) {
        const int l = static_cast<quint8>(m.doc.img[at(22132 + buttons[i])]);
        if (buttons.count(buttons[i]) > 1 || l % 16 > 11)
            return;
    }
    if (buttons.isEmpty())
        return;
    const int b = buttons[st[QStringLiteral("b")] % buttons.size()];
    QByteArray layout = deviceBytes(m.doc.img, b);
    if (!Layout{layout}.sane())
        return;
    const int loc = static_cast<quint8>(m.doc.img[at(22132 + b)]);
    if (loc / 16 > 1 || loc % 16 > 11)
        return;
    const int label = 23496 + (loc / 16) * 264 + (loc % 16) * 22 + 2;
    static const char *const options[8] = {"OptTV", "OptVCR", "OptDVD", "OptVCD", "OptAMP", "OptTAPE", "OptSAT", "OptCD"};
    static const int codes[8] = {192, 195, 196, 197, 198, 199, 200, 201}, slotOf[8] = {5, 2, 3, 0, 4, 6, 1, 7};
    const int kind = st[QStringLiteral("kind")] % 8, end = st[QStringLiteral("end")];
    const QString name = labelText(st[QStringLiteral("name")]);
    const bool ok = st[QStringLiteral("ok")];
    // The buttons' names as the editor knows them; another's name is refused.
    bool taken = false;
    for (int other : buttons) {
        const int l = static_cast<quint8>(m.doc.img[at(22132 + other)]);
        if (other != b && l / 16 <= 1 && l % 16 <= 11 &&
            labelAt(m.doc.img, 23496 + (l / 16) * 264 + (l % 16) * 22 + 2).trimmed() == name)
            taken = labelAt(m.doc.img, label).trimmed() != name;
    }
    QByteArray menu = m.doc.img;   // the editor's buffers, written back only by OK
    if (ok && !taken) {
        char text[20];
        writeText(text, name);
        for (int j = 0; j < 20; ++j)
            menu[at(label + j)] = text[j];
        QByteArray bank = deviceBytes(m.doc.img, b);
        // Keys the bank holds are replaced only after the question, answered OK.
        const bool asked = !Layout{bank}.keys().isEmpty();
        if (static_cast<quint8>(menu[at(1056 + b)]) != codes[kind] && (!asked || st[QStringLiteral("q")] == 0)) {
            // A new kind's default layout reaches the bank at once; Cancel keeps it, and
            // the document says it changed.
            const QByteArray before = deviceBytes(m.doc.img, b);
            putDeviceBytes(m.doc.img, b, deviceBytes(m.doc.img, slotOf[kind], true));
            if (rules_.on("kind") && deviceBytes(m.doc.img, b) != before)
                m.doc.modified = 1;
            putDeviceBytes(menu, b, deviceBytes(m.doc.img, b));
            menu[at(1056 + b)] = static_cast<char>(codes[kind]);
        }
    }
    s_->ui.onDialog([&](QDialog &d) {
        auto &e = static_cast<GridEditor &>(d);
        s_->ui.onDialog([&](QDialog &in) {
            in.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->setText(name);
            clickNamed(in, QLatin1String(options[kind]));
            clickNamed(in, ok ? QStringLiteral("ComYES") : QStringLiteral("ComNO"));
        });
        clickAt(e.OptEDIT);
        clickAt(e.PicKEY[static_cast<size_t>(b)], QPoint(5, 5));
        s_->ui.dialogScripts.clear();
        if (end == 0)
            clickAt(e.ComYES);
        else if (end == 1)
            clickAt(e.ComNO);
        else
            QTest::keyClick(&e, Qt::Key_Escape);
    });
    trigger("mnuMenuEdit");
    if (end == 0) {
        m.doc.img = menu;
        m.doc.modified = 1;
    }
}

// A hot macro's step deleted and its label changed, in the macro step editor.
void Runner::macro(const Step &st)
{
    if (m.doc.kind != 1)
        return;
    const int i = st[QStringLiteral("t")], record = 20064 + 66 * i;
    int count = 0;
    while (count < 25 && static_cast<quint8>(m.doc.img[at(record + 2 * count)]) != 255)
        ++count;
    const int n = count ? 1 + st[QStringLiteral("n")] % count : 0;
    const bool ok = st[QStringLiteral("ok")], inner = st[QStringLiteral("inner")] == 0;
    const QString name = labelText(st[QStringLiteral("name")]);
    s_->ui.onDialog([&](QDialog &page) {
        s_->ui.onDialog([&](QDialog &d) {
            d.findChild<QLineEdit *>(QStringLiteral("Text_IN"))->setText(name);
            subOk_ = ok;
            if (n > 0) {
                clickNamed(d, QStringLiteral("OptDEL"));
                clickNamed(d, QStringLiteral("ComSTEP_%1").arg(n));
            }
            clickNamed(d, inner ? QStringLiteral("ComYES") : QStringLiteral("ComNO"));
        });
        clickNamed(page, QStringLiteral("OptEDIT"));
        clickNamed(page, QStringLiteral("PicKEY_%1").arg(i));
        s_->ui.dialogScripts.clear();
        const int end = st[QStringLiteral("end")];
        if (end == 2)
            QTest::keyClick(&page, Qt::Key_Escape);
        else
            clickNamed(page, end == 0 ? QStringLiteral("ComYES") : QStringLiteral("ComNO"));
    });
    trigger("mnuMacro");
    if (st[QStringLiteral("end")] != 0)
        return;
    if (inner && n > 0 && ok) {
        // The steps after it move down one place; the last becomes FF FF.
        for (int k = n; k < count; ++k)
            for (int j = 0; j < 2; ++j)
                m.doc.img[at(record + 2 * k - 2 + j)] = m.doc.img[at(record + 2 * k + j)];
        m.doc.img[at(record + 2 * count - 2)] = m.doc.img[at(record + 2 * count - 1)] = '\xFF';
    }
    setNames(m.doc.img, 34584, inner ? i : -1, name);
    m.doc.modified = 1;
}

// Compare with File and Export read the document and change nothing of it.
void Runner::compareOrExport(const Step &st)
{
    if (m.doc.kind == 0)
        return;
    if (st.kind == QLatin1String("comparefile")) {
        const QStringList files = m.doc.kind == 2 ? m.filesIn(QStringLiteral("MODEL"), QStringLiteral(".MOD"))
                                                  : m.filesIn(QStringLiteral("DATA"), QStringLiteral(".DAT"));
        if (!files.isEmpty())
            fileAnswer(files[st[QStringLiteral("f")] % files.size()]);
        trigger("mnuFileCompare");
        return;
    }
    if (armed_)
        return;   // what a full disk leaves of a picture is not for the model to say
    const QString stem = QStringLiteral("EXPORT/E%1").arg(st[QStringLiteral("f")]);
    QDir().mkpath(path(QStringLiteral("EXPORT")));
    fileAnswer(stem + (st[QStringLiteral("how")] ? QStringLiteral(".png") : QStringLiteral(".pdf")));
    trigger("mnuFileExport");
    settle();
    // What it wrote is kept as it wrote it: nothing may change it afterwards.
    bool wrote = false;
    QDirIterator it(path(QStringLiteral("EXPORT")), QDir::Files);
    while (it.hasNext()) {
        const QString rel = it.next().mid(path(QString()).size());
        m.exports[rel] = readAll(it.filePath());
        wrote = wrote || rel.startsWith(stem + QLatin1Char('.')) || rel.startsWith(stem + QLatin1Char(' '));
    }
    if (!wrote)
        violation(QStringLiteral("files"), QStringLiteral("Export wrote nothing for ") + stem);
}

void Runner::transfer(const Step &st)
{
    const int dir = st.kind == QLatin1String("download") ? 0 : st.kind == QLatin1String("upload") ? 1 : 2;
    if ((dir > 0 && m.doc.kind != 1) || (dir == 0 && !discard(st, Discard::SaveThenGoOn))) {
        trigger(dir == 0 ? "mnuDOWN" : dir == 1 ? "mnuUP" : "mnuCompareRemote");
        return;
    }
    // The remote and its misbehaviour for this transfer.
    sim::Options o;
    const int mis = st[QStringLiteral("mis")], page = st[QStringLiteral("page")];
    int pages = 512;
    switch (mis) {
    case 1: o.noise = true; break;
    case 2: o.badChecksumPage = page; break;
    case 3: o.outOfOrderPage = std::min(page, 510); break;
    case 4: o.leadContinuePage = page; break;
    case 5: o.refusePage = page; break;
    case 6: o.slowMs = 1 + page % 3; break;
    case 7: o.stalls.push_back({dir == 1 ? sim::Point::UlHs3 : sim::Point::Hs7, page, 200 + page * 3, false}); break;
    case 8: o.silent = true; break;
    case 9: o.hangUpAfterPage = page; break;
    case 10: pages = dir == 1 ? 512 : 1 + page % 511; o.pageCount = pages; break;
    default: break;
    }
    SwitchPort &port = *s_->port;
    port.reset(o, m.remote, *s_->clock);
    s_->clock->now = 0;
    const int esc = st[QStringLiteral("esc")], drop = st[QStringLiteral("drop")];
    bool dropTaken = false;
    const QStringList files = m.filesIn(QStringLiteral("DATA"), QStringLiteral(".DAT"));
    const QString dropped = files.value(st[QStringLiteral("f")] % static_cast<int>(files.size()));
    port.when = esc >= 0 ? esc : drop;
    port.act = [&, this] {
        if (esc >= 0)
            QTest::keyClick(s_->w.get(), Qt::Key_Escape);
        else
            dropTaken = dropFile(dropped);
        // What the window does while it keeps itself painted.
        settle(2);
    };
    if (esc >= 0 && drop >= 0) {
        // Both: the drop comes at its own moment after Escape.
        port.act = [&, this] {
            QTest::keyClick(s_->w.get(), Qt::Key_Escape);
            dropTaken = dropFile(dropped);
            settle(2);
        };
    }
    const QByteArray before = m.doc.img, remoteBefore = m.remote;
    if (dir == 1 && !refused(m.doc.img))
        m.kept(m.doc.img);   // what the remote is about to be given
    trigger(dir == 0 ? "mnuDOWN" : dir == 1 ? "mnuUP" : "mnuCompareRemote");
    QElapsedTimer waited;
    waited.start();
    while (s_->c->engine().active() && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    port.when = -1;
    if (s_->c->engine().active()) {
        violation(QStringLiteral("hang"), QStringLiteral("the transfer still ran after 20 s"));
        s_->c->shutdown();
        return;
    }
    if (dropTaken)
        violation(QStringLiteral("drop"), QStringLiteral("a drop of %1 was taken during the transfer").arg(dropped));
    settle();

    // One " OK !" or " fail !"; a comparison shows its differences instead of " OK !".
    const bool succeeded = dir == 2 ? s_->ui.dialogsShown.contains(QStringLiteral("frmCompare"))
                                    : results_.value(0) == QLatin1String(" OK !");
    const bool mustFail = mis == 8 || mis == 9 || (dir == 1 && !pagesNumbered(m.doc.img));
    if (results_.size() != (dir == 2 && succeeded ? 0 : 1))
        violation(QStringLiteral("transfer"), QStringLiteral("results shown: ") + results_.join(QLatin1Char('|')));
    if (succeeded && mustFail)
        violation(QStringLiteral("transfer"), QStringLiteral("a transfer that must fail succeeded"));
    // Bytes a stopped transfer left in the receive queue come first in the next one, as the
    // protocol keeps them; that one may then fail too.
    const bool unsettled = m.unsettled;
    m.unsettled = !succeeded;
    if (!succeeded && esc < 0 && !mustFail && !unsettled)
        violation(QStringLiteral("transfer"), QStringLiteral("a transfer failed (misbehaviour %1, page %2): %3; log ends %4")
                                                  .arg(mis).arg(page).arg(s_->c->engine().failureReason(),
                                                  s_->c->engine().TransferLog.right(120).simplified()));
    const QByteArray sent = s_->port->remote ? QByteArray(reinterpret_cast<const char *>(s_->port->remote->image().data()), ImageBytes)
                                             : remoteBefore;
    if (dir == 1) {
        if (!cutShort(sent, remoteBefore, before, 512))
            violation(QStringLiteral("transfer"), QStringLiteral("the remote holds pages the upload did not send"));
        m.remote = sent;
        if (succeeded && sent.left(512 * PageSize) != before.left(512 * PageSize))
            violation(QStringLiteral("transfer"), QStringLiteral("the remote did not get the document"));
    } else if (dir == 2) {
        // A comparison reads into an empty memory: what a short remote does not send is 0.
        QByteArray read(ImageBytes, '\0');
        std::memcpy(read.data(), m.remote.constData(), static_cast<size_t>(pages * PageSize));
        if (succeeded && !refused(read))
            m.kept(read);
        return;
    } else if (succeeded) {
        std::memcpy(m.doc.img.data(), m.remote.constData(), static_cast<size_t>(pages * PageSize));
    } else {
        const QByteArray now(reinterpret_cast<const char *>(s_->g.Image.data()), ImageBytes);
        if (!cutShort(now, before, m.remote, pages))
            violation(QStringLiteral("transfer"), QStringLiteral("a failed download left pages the remote did not send"));
        m.doc.img = now;
    }
    if (succeeded) {
        m.doc.kind = 1;
        m.doc.modified = 1;
        m.doc.file.clear();
        m.doc.caption = QStringLiteral("Quillet  [DOWNLOAD]");
        if (dir == 0 && !refused(m.doc.img))
            m.kept(m.doc.img);
    } else if (dir == 0) {
        m.doc.kind = 0;
        m.doc.modified = 0;
        m.doc.file.clear();
        m.doc.caption = QStringLiteral("Quillet  [NONE]");
    }
}

void Runner::modelOrBackup(const Step &st)
{
    if (m.doc.kind != 1)
        return;
    const QStringList names = deviceNames(m.doc.img);
    QStringList listed;
    for (const QString &n : names)
        if (!n.isEmpty())
            listed << n;
    if (listed.isEmpty())
        return;
    const QString device = listed[st[QStringLiteral("dev")] % listed.size()];
    const int bank = static_cast<int>(names.indexOf(device));
    clickDevice(device);
    const bool ok = st[QStringLiteral("ok")];
    if (st.kind == QLatin1String("modelsave")) {
        const QString rel = chooseSave(st, true);
        if (!rel.isEmpty())
            saved(rel, deviceBytes(m.doc.img, bank));
        trigger("mnuModelSave");
        return;
    }
    const int to = st[QStringLiteral("to")];
    int target = -1;
    if (st.kind == QLatin1String("backup")) {
        // The dialog lists the kinds alphabetically; each has its slot.
        static const int slotOfRow[8] = {4, 7, 3, 0, 1, 6, 5, 2};
        const int slot = slotOfRow[to % 8];
        if (ok)
            putDeviceBytes(m.doc.img, slot, deviceBytes(m.doc.img, bank), true);
        target = to % 8;
    } else {
        const QStringList models = m.filesIn(QStringLiteral("MODEL"), QStringLiteral(".MOD"));
        if (models.isEmpty() || !selectInTree(models[st[QStringLiteral("f")] % models.size()]))
            return;
        const QString name = listed[to % listed.size()];
        if (ok)
            putDeviceBytes(m.doc.img, static_cast<int>(names.lastIndexOf(name)),
                           m.files.value(models[st[QStringLiteral("f")] % models.size()]).left(ModelBytes));
        target = to % static_cast<int>(listed.size());
    }
    s_->ui.onDialog([target, ok](QDialog &d) {
        auto *list = d.findChild<QListWidget *>(QStringLiteral("List1"));
        clickItem(list, list->model()->index(target, 0));
        clickNamed(d, ok ? QStringLiteral("ComYES") : QStringLiteral("ComNO"));
    });
    if (ok)
        m.doc.modified = 1;
    trigger(st.kind == QLatin1String("backup") ? "mnuOEMLoad" : "mnuModelLoad");
}

void Runner::exitAndStart(const Step &st)
{
    const bool goOn = discard(st, Discard::SaveThenGoOn);
    trigger("mnuFileClose");
    // A program folder that cannot be written is taken for an installation at the next
    // start: the disk is mended first.
    if (s_->w->hasExited())
        calm();
    if (s_->w->hasExited() != goOn) {
        violation(QStringLiteral("doc"), goOn ? QStringLiteral("Exit did not end") : QStringLiteral("Exit ended"));
        return;
    }
    if (!goOn)
        return;
    settle();
    Failure f;
    if (!restart(st, m.leftCopies, &f))
        violations_ << f;
}

// ---------------------------------------------------------------------------------------
// The checks

bool Runner::check(Failure *f)
{
    if (!violations_.isEmpty()) {
        *f = violations_.first();
        return false;
    }
    auto fail = [f](const char *rule, const QString &text) {
        *f = {QLatin1String(rule), text};
        return false;
    };
    const Globals &g = s_->g;
    const Doc &d = m.doc;
    if (g.LoadedKind != d.kind || g.Modified != d.modified || g.CurrentFile != d.file)
        return fail("doc", QStringLiteral("kind %1 modified %2 file \"%3\"; expected %4 %5 \"%6\"")
                               .arg(g.LoadedKind).arg(g.Modified).arg(g.CurrentFile).arg(d.kind).arg(d.modified).arg(d.file));
    if (s_->w->windowTitle() != d.caption)
        return fail("doc", QStringLiteral("caption \"%1\", expected \"%2\"").arg(s_->w->windowTitle(), d.caption));
    if (std::memcmp(g.Image.data(), d.img.constData(), ImageBytes) != 0) {
        int i = 0;
        while (g.Image.data()[i] == static_cast<quint8>(d.img[i]))
            ++i;
        return fail("doc", QStringLiteral("the memory differs from the model's at page %1 byte %2: %3, expected %4")
                               .arg(i / PageSize).arg(i % PageSize).arg(g.Image.data()[i]).arg(static_cast<quint8>(d.img[i])));
    }
    if (d.kind == 2 && worksetBytes(g) != d.dev)
        return fail("doc", QStringLiteral("the model's bytes differ"));
    // Commands by what is loaded.
    const bool one = d.kind == 1, any = d.kind != 0;
    const QList<QPair<const char *, bool>> enabled{{"mnuFileSave", any}, {"mnuFileSaveAs", any}, {"mnuMenuEdit", one},
                                                   {"mnuKeyEdit", any},  {"mnuTimer", one},      {"mnuMacro", one},
                                                   {"mnuDOWN", true},    {"mnuUP", one}};
    for (const auto &[name, on] : enabled)
        if (s_->w->action(QLatin1String(name))->isEnabled() != on)
            return fail("doc", QStringLiteral("%1 is %2").arg(QLatin1String(name), on ? QStringLiteral("off") : QStringLiteral("on")));
    QStringList devices;
    if (d.kind == 1) {
        devices << QStringLiteral("MENU");
        for (const QString &n : deviceNames(d.img))
            if (!n.isEmpty())
                devices << n;
    } else if (d.kind == 2) {
        devices << QStringLiteral("MODEL");
    }
    if (listTexts(s_->w->ListView1) != devices)
        return fail("doc", QStringLiteral("devices listed: %1; expected %2").arg(listTexts(s_->w->ListView1).join(QLatin1Char(',')), devices.join(QLatin1Char(','))));
    if (s_->c->engine().active() || s_->c->Timer1->isActive() || s_->w->Picture1->isVisible())
        return fail("transfer", QStringLiteral("a transfer is left running or showing"));

    // Every file on the disk is its last save.
    QMap<QString, QByteArray> disk;
    for (const char *folder : {"DATA", "MODEL"}) {
        QDirIterator it(path(QLatin1String(folder)), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString rel = it.next().mid(path(QString()).size());
            if (!rel.startsWith(QLatin1String("DATA/History/")))
                disk[rel] = readAll(it.filePath());
        }
    }
    QDirIterator exports(path(QStringLiteral("EXPORT")), QDir::Files);
    while (exports.hasNext()) {
        const QString rel = exports.next().mid(path(QString()).size());
        if (readAll(exports.filePath()) != m.exports.value(rel))
            return fail("files", rel + QStringLiteral(" changed without an export"));
    }
    if (disk.keys() != m.files.keys())
        return fail("files", QStringLiteral("files %1; expected %2").arg(disk.keys().join(QLatin1Char(',')), m.files.keys().join(QLatin1Char(','))));
    for (auto it = disk.cbegin(); it != disk.cend(); ++it)
        if (it.value() != m.files.value(it.key()))
            return fail("files", it.key() + QStringLiteral(" is not what was last saved"));

    // The history: every transfer, up to the limit.
    const QDir history(path(QStringLiteral("DATA/History")));
    QList<QByteArray> expected = m.history;
    for (const QString &name : history.entryList({QStringLiteral("*.DAT")}, QDir::Files))
        if (!expected.removeOne(readAll(history.filePath(name))))
            return fail("history", QStringLiteral("%1 (%2 bytes) holds none of the last %3 transfers (%4 kept)")
                                       .arg(name).arg(QFileInfo(history.filePath(name)).size()).arg(m.keep).arg(m.history.size()));
    if (!expected.isEmpty())
        return fail("history", QStringLiteral("%1 transfers are missing from the history").arg(expected.size()));
    return checkCopies(f);
}

// While the document is modified a copy of it is on the disk soon; the ones left by
// sessions that were killed stay until they are answered.
bool Runner::checkCopies(Failure *f)
{
    const QList<Doc> expected = m.expectedCopies();
    QElapsedTimer t;
    t.start();
    QString why;
    do {
        QList<Doc> left = expected;
        why.clear();
        const QDir dir(root_ + QStringLiteral("/Recovery"));
        for (const QString &name : dir.entryList({QStringLiteral("*.rec")}, QDir::Files)) {
            RecoveryCopy copy;
            if (!parseRecovery(readAll(dir.filePath(name)), copy, nullptr)) {
                why = QStringLiteral("a copy cannot be read");
                continue;
            }
            const Doc d = copyDoc(copy);
            const auto it = std::find_if(left.begin(), left.end(), [&d](const Doc &o) { return sameCopy(o, d); });
            if (it == left.end())
                why = QStringLiteral("a copy nobody expects: ") + describe(d);
            else
                left.erase(it);
        }
        if (why.isEmpty() && !left.isEmpty())
            why = QStringLiteral("no copy of ") + describe(left.first());
        if (why.isEmpty())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (t.elapsed() < 3000);
    *f = {QStringLiteral("recovery"), why};
    return false;
}

}  // namespace seq
