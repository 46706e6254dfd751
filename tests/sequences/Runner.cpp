#include "Runner.h"
#include "support/RemoteAgreement.h"

#include "app/DocumentRecovery.h"
#include "app/ExternalFiles.h"
#include "app/ScriptedUiServices.h"
#include "app/Startup.h"
#include "app/frmCheck.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/MemoryCheck.h"
#include "core/RecoveryFile.h"
#include "editors/GridEditor.h"
#include "editors/Install.h"
#include "link/Install.h"
#include "link/TransferController.h"
#include "link/VirtualLink.h"
#include "plus/Install.h"
#include "preview/Install.h"
#include "tools/remotesim/DemoImage.h"

#include <QAction>
#include <QStatusBar>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

#include <array>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace seq {

using namespace quillet;
using namespace quillet::testing;

namespace {

// The remote: a fresh simulator, in virtual time, for every transfer; the user acts (Escape,
// a drop) at a moment counted in the bytes that have crossed the cable.
class SwitchPort : public SerialPort {
public:
    void reset(const sim::Options &o, const QByteArray &image, VirtualClock &clock)
    {
        port_.reset();
        MemoryImage memory;
        std::memcpy(memory.data(), image.constData(), ImageBytes);
        remote = std::make_unique<sim::SimulatedRemote>(o, memory);
        port_ = std::make_unique<ModelPort>(*remote, clock);
        traffic = 0;
    }
    QByteArray image() const { return {reinterpret_cast<const char *>(remote->image().data()), ImageBytes}; }
    std::unique_ptr<sim::SimulatedRemote> remote;
    long long traffic = 0, when = -1;
    std::function<void()> act;

    void setCommPort(int n) override { port_->setCommPort(n); }
    void setSettings(const QString &s) override { port_->setSettings(s); }
    bool open() override { return port_->open(); }
    void close() override { port_->close(); }
    bool writeByte(std::uint8_t b) override { return crossed(1), port_->writeByte(b); }
    int bytesWaiting() override { return port_->bytesWaiting(); }
    QByteArray readAll() override
    {
        const QByteArray in = port_->readAll();
        return crossed(in.size()), in;
    }
    void waitForBytes(int ms) override { port_->waitForBytes(ms); }
    QString errorString() const override { return port_->errorString(); }
    bool lineDropped() const override { return port_->lineDropped(); }

private:
    void crossed(qsizetype n)
    {
        if ((traffic += n) >= when && when >= 0)
            when = -1, act();
    }
    std::unique_ptr<ModelPort> port_;
};

// Answers every box as the step says, and only with what the real box can return.
class Responder : public ScriptedUiServices {
public:
    std::function<int(const QString &)> decide;
    std::function<void(const QString &)> modal;
    int message(QWidget *, const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override
    {
        // Escape gives what the real box's escape button gives.
        const int escape = buttons == MsgButtons::OK ? answer::OK : buttons == MsgButtons::YesNoLater ? 8 : answer::Cancel;
        const int a = decide(text);
        shown.append({text, title, icon, buttons, a < 0 ? escape : a});
        return shown.last().answer;
    }
    int showModal(QDialog &dialog) override { return modal(dialog.objectName()), ScriptedUiServices::showModal(dialog); }
};

// A file's bytes, read again only when its inode, size or times have changed.
QByteArray readAll(const QString &path)
{
    static QHash<QString, QPair<std::array<qint64, 5>, QByteArray>> known;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    const std::array<qint64, 5> stamp{qint64(st.st_ino), qint64(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
                                      st.st_ctim.tv_nsec};
    auto &entry = known[path];
    if (QFile f(path); entry.first != stamp)
        entry = {stamp, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray()};
    return entry.second;
}

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

void clickAt(QWidget *w, QPoint p = {})
{
    const QPoint centre = w->inherits("QRadioButton") ? QPoint(6, w->height() / 2) : w->rect().center();
    QTest::mouseClick(w, Qt::LeftButton, {}, p.isNull() ? centre : p);
}

void clickNamed(QWidget &owner, const QString &name)
{
    if (auto *w = owner.findChild<QWidget *>(name); w && w->isEnabled() && w->isVisible())
        clickAt(w);
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

// How a dialog is left: 0..3 OK, 4 Cancel, 5 Escape.
int ending(const Step &st) { return st("end") < 4 ? 0 : st("end") - 3; }


void typeInto(QDialog &d, const QString &text, const QString &box = u"Text_IN"_s)
{
    d.findChild<QLineEdit *>(box)->setText(text);
}

int digit(int number, int i) { return i > 2 ? 0 : number / (i == 0 ? 9 : i == 1 ? 3 : 1) % 3; }

QString describe(const Doc &d) { return u"kind %1 \"%2\" \"%3\""_s.arg(d.kind).arg(d.file, d.caption); }

// The recovery copies on the disk, newest first, each one of those expected.
QList<Doc> copiesOnDisk(const QString &folder, QList<Doc> expected, QString *why)
{
    QList<Doc> found;
    for (const QFileInfo &info : QDir(folder).entryInfoList({u"*.rec"_s}, QDir::Files, QDir::Time)) {
        RecoveryCopy c;
        if (!parseRecovery(readAll(info.filePath()), c, nullptr))
            return *why = u"a copy cannot be read"_s, QList<Doc>();
        Doc d{c.loadedKind, 1, c.currentFile, c.caption, QByteArray(ImageBytes, '\0'), {}, false};
        (d.kind == 2 ? d.dev : d.img) = c.document;
        // Its file saved after the copy was kept: restored, it is not saved over that unasked.
        d.saveAsFirst = QFileInfo(d.file).isFile() && QFileInfo(d.file).lastModified().toMSecsSinceEpoch() > c.writtenMs;
        const auto it = std::find_if(expected.begin(), expected.end(), [&d](const Doc &o) {
            return o.kind == d.kind && o.file == d.file && o.caption == d.caption && o.bytes() == d.bytes();
        });
        if (it == expected.end())
            return *why = u"a copy nobody expects: "_s + describe(d), QList<Doc>();
        expected.erase(it);
        found << d;
    }
    *why = expected.isEmpty() ? QString() : u"no copy of "_s + describe(expected.first());
    return found;
}

struct Session {
    Globals g;
    Responder ui;
    std::unique_ptr<frmMain> w;
    TransferController *c = nullptr;
    VirtualClock *clock = nullptr;
    SwitchPort *port = nullptr;
};

class Driver : public Runner {
public:
    explicit Driver(const QString &root) : root_(root)
    {
        realDisk_ = QStorageInfo(path()).rootPath() == QDir(path()).absolutePath();
    }
    const Model &model() const override { return m; }

    void calm() override
    {
        if (realDisk_ && readOnly_)
            QProcess::execute(u"mount"_s, {u"-o"_s, u"remount,rw"_s, path()});
        if (realDisk_)
            QFile::remove(path(u"filler.bin"_s));
        armed_ = 0;
        readOnly_ = false;
    }

    bool start(Failure *f) override
    {
        calm();
        s_.reset();
        violations_.clear();
        for (const QString &folder : {u"app/DATA"_s, u"app/MODEL"_s, u"app/EXPORT"_s, u"Recovery"_s})
            QDir(root_ + u'/' + folder).removeRecursively();
        MemoryImage demo;
        sim::buildDemoImage(demo);
        const QByteArray a(reinterpret_cast<const char *>(demo.data()), ImageBytes);
        QByteArray b = a;
        b[at(22008 + 3)] = 9;   // timer 1 at another hour
        m = Model{};
        m.remote = a;
        m.remote[at(24024 + 3)] = 'Q';   // a key label the remote has changed
        m.files = {{u"DATA/a.DAT"_s, dataFile(a)},
                   {u"DATA/b.DAT"_s, dataFile(b)},
                   {u"DATA/short.DAT"_s, dataFile(b).left(1000)},
                   {u"DATA/odd.DAT"_s, QByteArray(2, '\0') + dataFile(b).mid(2)},
                   {u"MODEL/m.MOD"_s, deviceBytes(a, 0)},
                   {u"MODEL/n.MOD"_s, deviceBytes(a, 2)}};
        QDir().mkpath(path(u"DATA"_s));
        QDir().mkpath(path(u"MODEL"_s));
        for (auto it = m.files.cbegin(); it != m.files.cend(); ++it)
            if (QFile out(path(it.key())); !out.open(QIODevice::WriteOnly) || out.write(it.value()) != it.value().size())
                qFatal("cannot write %s", qPrintable(it.key()));
        m.newHistory();
        static const Step none;
        cur_ = &none;
        startSession();
        return check(f);
    }

    bool resume(const Model &model, const Step &restartStep, Failure *f) override
    {
        m = model;
        violations_.clear();
        cur_ = &restartStep;
        QString why;
        if (!restart(restartStep, m.expectedCopies(), &why))
            return *f = {u"recovery"_s, why}, false;
        return check(f);
    }

    bool run(const Step &st, Failure *f) override
    {
        using Action = void (Driver::*)(const Step &);
        static const QHash<QString, Action> actions{
            {u"open"_s, &Driver::open}, {u"device"_s, &Driver::device}, {u"timer"_s, &Driver::plus}, {u"macro"_s, &Driver::plus},
            {u"menu"_s, &Driver::menu}, {u"download"_s, &Driver::transfer}, {u"upload"_s, &Driver::transfer},
            {u"compare"_s, &Driver::transfer}, {u"modelload"_s, &Driver::modelOrBackup}, {u"modelsave"_s, &Driver::modelOrBackup},
            {u"backup"_s, &Driver::modelOrBackup}, {u"exit"_s, &Driver::exitAndStart}, {u"fault"_s, &Driver::fault},
            {u"paste"_s, &Driver::paste}, {u"pasteplus"_s, &Driver::pastePlus}, {u"undo"_s, &Driver::undoRedo},
            {u"redo"_s, &Driver::undoRedo},
            {u"textround"_s, &Driver::textRound}, {u"kill"_s, &Driver::quickEdits}};
        cur_ = &st;
        keys_ = st("keys") == 1;
        results_.clear();
        violations_.clear();
        s_->ui.clear();
        restoreAsked_ = 0;
        const int wasArmed = armed_;
        (this->*actions.value(st.kind, &Driver::fileCommand))(st);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        if (wasArmed && armed_ > 0 && --armed_ == 0)
            calm();
        if (armed_ && !readOnly_) {
            // Full again after a step that deleted a file: the free pages go to a file unwritten.
            QFile filler(path(u"filler.bin"_s));
            filler.open(QIODevice::ReadWrite);
            off_t end = filler.size();
            for (const off_t size : {off_t(1) << 20, off_t(4096)})
                while (::posix_fallocate(filler.handle(), end, size) == 0)
                    end += size;
        }
        return check(f);
    }

private:
    void startSession()
    {
        s_ = std::make_unique<Session>();
        s_->ui.decide = [this](const QString &t) { return answer(t); };
        s_->ui.modal = [this](const QString &name) {
            if (transferring())
                violation(u"box"_s, u"the window %1 opened while a transfer ran"_s.arg(name));
        };
        StartupOptions o;
        o.appDir = path().chopped(1);
        o.showSplash = false;
        o.recoveryDir = root_ + u"/Recovery"_s;
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
        installPreview(*s_->w);
        if (auto *r = s_->w->findChild<DocumentRecovery *>())
            r->delayMs = 0;
    }

    // A new start over the same folders: every copy left is offered, newest first, until one
    // is restored; the step's digits answer them in turn (Yes, No, Escape).
    bool restart(const Step &st, QList<Doc> offered, QString *why)
    {
        const QList<Doc> order = copiesOnDisk(root_ + u"/Recovery"_s, offered, why);
        if (!why->isEmpty())
            return false;
        m.doc = Doc{};
        m.leftCopies.clear();
        restoreAsked_ = 0;
        for (int i = 0; i < order.size(); ++i) {
            if (m.doc.kind || digit(st("a"), i) == 2) {
                m.leftCopies << order[i];
            } else if (digit(st("a"), i) == 0) {
                m.doc = order[i];
                if (m.doc.kind == 2)
                    m.doc.img = QByteArray(ImageBytes, '\0');
            }
        }
        m.newHistory();
        s_.reset();
        startSession();
        return true;
    }

    // What the user answers, by the step; -1 is Escape.
    int answer(const QString &text)
    {
        if (transferring())
            violation(u"box"_s, u"a message box opened while a transfer ran: "_s + text);
        const Step &st = *cur_;
        auto pick = [](int v, int first, int second) { return v == 0 ? first : v == 1 ? second : -1; };
        if (text == u" OK !" || text == u" fail !")
            results_ << text;
        if (text == u"Data has been modified, do you want to save?")
            return st("save") == 2 ? answer::Cancel : pick(st("save"), answer::Yes, answer::No);
        if (text == u"replace")
            return st("rep") == 1 ? answer::Cancel : answer::OK;
        if (text == u"Warning delete file?")
            return st("ok") ? answer::OK : answer::Cancel;
        if (text == u"Warning delete key?")
            return subOk_ ? answer::OK : -1;
        if (text.contains(u"did not close normally"))
            return pick(digit(st("a"), restoreAsked_++), answer::Yes, answer::No);
        if (text.contains(u"Cancel will not bring them back"))
            return pick(st("q"), answer::OK, answer::Cancel);
        if (text.contains(u"Load it anyway?"))
            return pick(st("short"), answer::OK, answer::Cancel);
        if (text.startsWith(u"Replace timer") || text.startsWith(u"Replace hot macro"))
            return st("ok") ? answer::OK : answer::Cancel;
        return text.startsWith(u"Discard your changes") ? answer::Yes : -1;
    }

    bool transferring() const { return s_ && s_->c && s_->c->engine().active(); }
    QString path(const QString &rel = {}) const { return root_ + u"/app/"_s + rel; }
    QString title(const QString &file) const { return u"Quillet  ["_s + file + u']'; }
    bool refused() const { return armed_ > 0; }
    void fileAnswer(const QString &rel) { s_->ui.fileAnswers.push_back(path(rel)); }
    void onDialog(const std::function<void(QDialog &)> &script) { s_->ui.onDialog(script); }

    // ---- The editors' controls, by mouse or by their keyboard twin as the step says

    // A button, an option or a key face: clicked, or given the focus and Space.
    void press(QWidget *w)
    {
        if (!keys_)
            return clickAt(w);
        w->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w, Qt::Key_Space);
    }
    void pressNamed(QWidget &owner, const QString &name)
    {
        if (auto *w = owner.findChild<QWidget *>(name); w && w->isEnabled() && w->isVisible())
            press(w);
    }
    // A cell of an editor's page: clicked, or reached with the cell cursor and Space.
    void pressCell(GridEditor &e, int page, int column, int row)
    {
        QWidget *p = e.PicPAGE1[static_cast<size_t>(page)];
        if (!keys_)
            return clickAt(p, QPoint(column * 20 + 9, row * 20 + 9));
        p->setFocus(Qt::TabFocusReason);
        QTest::keyClick(p, Qt::Key_Home);
        for (int c = 0; c < column; ++c)
            QTest::keyClick(p, Qt::Key_Right);
        for (int r = 0; r < row; ++r)
            QTest::keyClick(p, Qt::Key_Down);
        QTest::keyClick(p, Qt::Key_Space);
    }
    // A key or button of an editor: clicked near its corner, or its first cell pressed.
    void pressKey(GridEditor &e, int key)
    {
        QWidget *k = e.PicKEY[static_cast<size_t>(key)];
        if (!keys_)
            return clickAt(k, QPoint(5, 5));
        for (int p = 0; p < static_cast<int>(e.PicPAGE1.size()); ++p)
            if (const QRect page = e.PicPAGE1[static_cast<size_t>(p)]->geometry(); page.contains(k->pos()))
                return pressCell(e, p, (k->x() - page.x()) / 20, (k->y() - page.y()) / 20);
    }
    // A row of a selection dialog's list, then OK or Cancel.
    void pickRow(QDialog &d, int row, bool ok)
    {
        auto *list = d.findChild<QListWidget *>(u"List1"_s);
        if (keys_) {
            list->setFocus(Qt::TabFocusReason);
            QTest::keyClick(list, Qt::Key_Home);
            for (int r = 0; r < row; ++r)
                QTest::keyClick(list, Qt::Key_Down);
        } else {
            clickItem(list, list->model()->index(row, 0));
        }
        pressNamed(d, ok ? u"ComYES"_s : u"ComNO"_s);
    }

    // An editor's window: its edits, then OK, Cancel or Escape.
    void inEditor(const Step &st, const std::function<void(QDialog &)> &edits)
    {
        onDialog([this, &st, edits](QDialog &d) {
            edits(d);
            s_->ui.dialogScripts.clear();
            if (ending(st) == 2)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                pressNamed(d, ending(st) == 0 ? u"ComYES"_s : u"ComNO"_s);
        });
    }
    void violation(const QString &rule, const QString &text) { violations_ << Failure{rule, text}; }
    QString pickFile(const Step &st, const QStringList &files, const char *param = "f") const
    {
        return files.value(st(param) % static_cast<int>(files.size() + 1));
    }

    bool trigger(const char *name)
    {
        QAction *a = s_->w->action(QLatin1String(name));
        if (a && a->isEnabled())
            a->trigger();
        return a && a->isEnabled();
    }

    // ---- The file commands' documented rules

    bool saved(const QString &rel, const QByteArray &bytes)
    {
        if (refused())
            return false;
        m.files[rel] = bytes;
        return true;
    }

    // The save dialog: an existing file of the folder, a new name, or Cancel; an existing one
    // asks "replace", whose Cancel shows the dialog again, which is then cancelled.
    QString chooseSave(const Step &st, bool model)
    {
        const QString folder = model ? u"MODEL"_s : u"DATA"_s;
        const QStringList existing = m.filesIn(folder);
        const int pick = st("as") % static_cast<int>(existing.size() + 2);
        if (pick == existing.size() + 1)
            return {};
        const QString rel = existing.value(pick, folder + u"/S%1."_s.arg(st("as")) + (model ? u"MOD"_s : u"DAT"_s));
        fileAnswer(rel);
        return m.files.contains(rel) && st("rep") == 1 ? QString() : rel;
    }

    // Save As; the caption follows the name unless the document is replaced next.
    bool saveDocAs(const Step &st, bool retitle = true)
    {
        const QString rel = m.doc.kind ? chooseSave(st, m.doc.kind == 2) : QString();
        if (rel.isEmpty() || !saved(rel, m.doc.kind == 2 ? m.doc.dev : dataFile(m.doc.img)))
            return false;
        m.doc.file = path(rel);
        m.doc.saveAsFirst = false;
        m.doc.modified = 0;
        m.saved = m.at;
        if (retitle)
            m.doc.caption = title(m.doc.file);
        return true;
    }

    // The question before a command replaces the document, and what each answer does.
    enum class Discard { SaveAsThenStop, SaveThenGoOn, SaveThenGoOnRefresh };
    bool discard(const Step &st, Discard rule)
    {
        if (!m.doc.modified || st("save") == 1)
            return true;
        if (st("save") != 0)
            return false;
        return saveDocAs(st, rule != Discard::SaveThenGoOn) && rule != Discard::SaveAsThenStop;
    }

    // A data file fills the memory from its third byte on and leaves the rest; one that is
    // not a whole data file asks first.
    void load(const QString &rel)
    {
        const QByteArray bytes = m.files.value(rel);
        if (rel.endsWith(u".MOD")) {
            m.doc.dev = bytes.left(ModelBytes);
            m.doc.kind = 2;
        } else if ((bytes.size() != FileBytes || !bytes.startsWith("\xFF\x01")) && (*cur_)("short")) {
            return;
        } else {
            m.doc.img.replace(0, std::min<qsizetype>(bytes.size() - 2, ImageBytes), bytes.mid(2, ImageBytes));
            m.doc.kind = 1;
        }
        m.doc.file = path(rel);
        m.doc.caption = title(m.doc.file);
        m.doc.modified = 0;
        m.doc.saveAsFirst = false;
        m.newHistory();
    }

    // ---- Driving the window

    // An item of a tree by the texts on its way down from `item`, shown and clicked.
    bool clickPath(QTreeWidget *tree, QTreeWidgetItem *item, const QStringList &names, bool twice = false)
    {
        for (const QString &name : names) {
            QTreeWidgetItem *parent = item;
            item = nullptr;
            for (int i = 0; parent && i < parent->childCount() && !item; ++i)
                item = parent->child(i)->text(0) == name ? parent->child(i) : nullptr;
        }
        for (QTreeWidgetItem *p = item ? item->parent() : nullptr; p; p = p->parent())
            p->setExpanded(true);
        if (item)
            clickItem(tree, tree->indexFromItem(item), twice);
        return item;
    }
    bool selectInTree(const QString &rel)
    {
        return clickPath(s_->w->TreeView1, s_->w->TreeView1->topLevelItem(0), rel.split(u'/'));
    }
    void clickDevice(const QString &name, bool twice = false)
    {
        clickPath(s_->w->ListView1, s_->w->ListView1->invisibleRootItem(), {name}, twice);
    }

    // A file manager's drag over the window and its drop; true when the window took it.
    bool dropFile(const QString &rel)
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
            return QCoreApplication::sendEvent(window, &leave), false;
        }
        QDropEvent drop(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        return drop.isAccepted();
    }

    // ---- The actions: each tells the model what must come of it, then does it in the window

    // The next steps meet a full disk or a folder they may not write, for real.
    void fault(const Step &st)
    {
        if (!realDisk_)
            return;
        calm();
        armed_ = 4;
        if ((readOnly_ = st("how") == 2))
            QProcess::execute(u"mount"_s, {u"-o"_s, u"remount,ro"_s, path()});
    }

    void open(const Step &st)
    {
        const int via = st("via");
        const QStringList data = via == 1 ? QStringList() : m.filesIn(u"DATA"_s);
        const QString rel = pickFile(st, data + (via ? m.filesIn(u"MODEL"_s) : QStringList()));
        if (via < 2) {
            // The open dialog, or its Cancel.
            if (discard(st, Discard::SaveAsThenStop) && !rel.isEmpty()) {
                fileAnswer(rel);
                load(rel);
            }
            trigger(via ? "mnuFileOpenMODEL" : "mnuFileOpenDATA");
        } else if (via == 2 && selectInTree(rel)) {
            if (discard(st, Discard::SaveThenGoOnRefresh))
                load(rel);
            trigger("mnuLoad");
        } else if (!rel.isEmpty()) {
            // By file argument or by a drop: opened as Open does, question first.
            if (discard(st, Discard::SaveAsThenStop))
                load(rel);
            if (via == 3)
                openWhenShown(*s_->w, path(rel));
            else if (!dropFile(rel))
                violation(u"drop"_s, u"a drop of %1 was refused"_s.arg(rel));
        }
    }

    // Save, Save As, Delete, Rename, Compare with File and Export.
    void fileCommand(const Step &st)
    {
        const QString &k = st.kind, rel = pickFile(st, m.filesIn(u"DATA"_s) + m.filesIn(u"MODEL"_s));
        const bool fixed = armed_ && readOnly_;   // a read-only folder lets nothing be deleted or renamed
        if (k == u"save" && !m.doc.saveAsFirst) {
            const bool mod = m.doc.file.endsWith(u".MOD");
            const QByteArray bytes = mod ? m.doc.dev : dataFile(m.doc.img);
            if (m.doc.kind && (mod || m.doc.file.endsWith(u".DAT")) && saved(m.doc.file.mid(path().size()), bytes)) {
                m.doc.caption = title(m.doc.file);
                m.doc.modified = 0;
                m.saved = m.at;
            }
            trigger("mnuFileSave");
        } else if (k == u"save" || k == u"saveas") {
            saveDocAs(st);
            trigger(k == u"save" ? "mnuFileSave" : "mnuFileSaveAs");
        } else if (k == u"delete" && selectInTree(rel)) {
            if (path(rel) != m.doc.file && st("ok") && !fixed)
                m.files.remove(rel);
            trigger("mnuDelete");
        } else if (k == u"rename" && selectInTree(rel)) {
            const QString name = u"R%1"_s.arg(st("name")), target = rel.section(u'/', 0, 0) + u'/' + name + rel.right(4);
            if (st("ok") && !m.files.contains(target) && !fixed)
                m.files[target] = m.files.take(rel);
            onDialog([&st, name](QDialog &d) {
                typeInto(d, name, u"Text1"_s);
                clickNamed(d, st("ok") ? u"ComYES"_s : u"ComNO"_s);
            });
            trigger("mnuRENAME");
        } else if (k == u"comparefile" && m.doc.kind) {
            // It reads a file apart from the document and changes nothing.
            if (const QString chosen = pickFile(st, m.filesIn(m.doc.kind == 2 ? u"MODEL"_s : u"DATA"_s)); !chosen.isEmpty())
                fileAnswer(chosen);
            trigger("mnuFileCompare");
        } else if (k == u"export" && m.doc.kind && !armed_) {
            // What it writes is kept as it wrote it: nothing may change it afterwards.
            const QString stem = u"EXPORT/E%1"_s.arg(st("f"));
            QDir().mkpath(path(u"EXPORT"_s));
            fileAnswer(stem + (st("how") ? u".png"_s : u".pdf"_s));
            trigger("mnuFileExport");
            bool wrote = false;
            for (QDirIterator it(path(u"EXPORT"_s), QDir::Files); it.hasNext();) {
                const QString name = it.next().mid(path().size());
                m.exports[name] = readAll(it.filePath());
                wrote = wrote || name.startsWith(stem + u'.') || name.startsWith(stem + u' ');
            }
            if (!wrote)
                violation(u"files"_s, u"Export wrote nothing for "_s + stem);
        }
    }

    // The key-layout editor of a bank (chosen in its dialog or by a double click) or of the
    // model: one to four edits, each by the editor's rules, then OK, Cancel or Escape.
    void device(const Step &st)
    {
        const QStringList names = deviceNames(m.doc.img), listed = listedNames(m.doc.img);
        if (!m.doc.kind || (m.doc.kind == 1 && listed.isEmpty()))
            return;
        const int row = st("dev") % std::max<int>(1, static_cast<int>(listed.size()));
        const int bank = m.doc.kind == 1 ? static_cast<int>(names.indexOf(listed[row])) : -1;
        QByteArray layout = bank >= 0 ? deviceBytes(m.doc.img, bank) : m.doc.dev;
        // A memory mixed from a short file keeps no rules; what the editor makes of it is
        // its own business.
        if (!Layout{layout}.sane())
            return;
        if (bank >= 0 && !st("via"))
            onDialog([this, row](QDialog &d) { pickRow(d, row, true); });
        QList<QByteArray> undo, redo;
        inEditor(st, [&](QDialog &d) {
            auto &e = static_cast<GridEditor &>(d);
            Layout l{layout};
            for (int i = 0; i < st("n"); ++i) {
                const int op = st("o", i), p = st("p", i), c = st("c", i), r = st("r", i);
                const QList<int> keys = l.keys();
                const int key = keys.isEmpty() ? -1 : keys[st("k", i) % keys.size()];
                QString text = labelText(st("t", i));
                const QByteArray before = layout;
                s_->ui.dialogScripts.clear();
                auto label = [&] {
                    onDialog([this, text](QDialog &in) {
                        pressNamed(in, u"OptTEXT"_s);
                        typeInto(in, text);
                        pressNamed(in, u"ComYES"_s);
                    });
                };
                if (op == 0) {
                    const int c2 = std::min(c + st("w", i), 5), r2 = std::min(r + st("h", i), 7);
                    // A corner on a key would be a click on the key, not on the page; the
                    // same cell twice, one on the first corner's marker.
                    if (l.overlaps(p, c, r, c, r) || l.overlaps(p, c2, r2, c2, r2) || (c2 == c && r2 == r))
                        continue;
                    if (l.create(p, c, r, c2, r2, text))
                        label();
                    press(e.OptNEW);
                    for (const auto &[col, rw] : {std::pair{c, r}, std::pair{c2, r2}})
                        pressCell(e, p, col, rw);
                } else if (op <= 3 && key >= 0) {
                    // Relabel, to a text it does not have (the same text would be no edit);
                    // Delete, answered OK or by Escape.
                    if (op == 1) {
                        text += text == l.text(key) ? u"X"_s : QString();
                        writeText(layout, l.label(l.loc(key), 2), text);
                        label();
                    } else if ((subOk_ = op == 2)) {
                        l.remove(key);
                    }
                    press(op == 1 ? e.OptEDIT : e.OptDEL);
                    pressKey(e, key);
                } else if (op >= 4) {
                    // Undo and Redo, each one edit, on when there is one to take back or redo.
                    QList<QByteArray> &from = op == 4 ? undo : redo, &to = op == 4 ? redo : undo;
                    QPushButton *button = op == 4 ? e.cmdUndo : e.cmdRedo;
                    if (button->isEnabled() == from.isEmpty())
                        violation(u"doc"_s, u"%1 is %2 with %3 edits to take"_s.arg(button->objectName())
                                                .arg(button->isEnabled() ? u"on"_s : u"off"_s).arg(from.size()));
                    if (!from.isEmpty()) {
                        to << layout;
                        layout = from.takeLast();
                        press(button);
                    }
                    continue;
                }
                if (layout != before) {
                    undo << before;
                    redo.clear();
                }
            }
        });
        if (bank >= 0 && !st("via"))
            trigger("mnuKeyEdit");
        else
            clickDevice(bank >= 0 ? listed[row] : u"MODEL"_s, true);
        if (ending(st) == 0) {
            if (bank >= 0)
                putDeviceBytes(m.doc.img, bank, layout);
            else
                m.doc.dev = layout;
            m.stepTaken();
        }
    }

    // A timer set up, or a hot macro relabelled with one of its steps deleted, on their page.
    void plus(const Step &st)
    {
        if (m.doc.kind != 1)
            return;
        const bool timer = st.kind == u"timer", inner = st("inner"), ok = st("ok");
        const int t = st("t"), record = 20064 + 66 * t;
        const QString name = labelText(st("name"));
        int steps = 0;
        while (!timer && steps < 25 && byteAt(m.doc.img, at(record + 2 * steps)) != 255)
            ++steps;
        const int n = steps ? 1 + st("n") % steps : 0;
        inEditor(st, [&](QDialog &page) {
            onDialog([&](QDialog &d) {
                typeInto(d, name);
                if (timer) {
                    // The date shows only for a specific day: chosen first, then the cycle.
                    pressNamed(d, u"OptCycle_1"_s);
                    const char *const combos[4] = {"ComboMonth", "ComboDay", "ComboHour", "ComboMinute"};
                    const int values[4] = {st("mo"), st("d"), st("h"), st("mi")};
                    for (int i = 0; i < 4; ++i) {
                        auto *box = d.findChild<QComboBox *>(QLatin1String(combos[i]));
                        box->setCurrentIndex(values[i]);
                        emit box->activated(values[i]);
                    }
                    pressNamed(d, u"OptCycle_%1"_s.arg(st("cycle")));
                } else if (n > 0) {
                    subOk_ = ok;
                    pressNamed(d, u"OptDEL"_s);
                    pressNamed(d, u"ComSTEP_%1"_s.arg(n));
                }
                pressNamed(d, inner ? u"ComYES"_s : u"ComNO"_s);
            });
            pressNamed(page, u"OptEDIT"_s);
            pressNamed(page, u"PicKEY_%1"_s.arg(t));
        });
        trigger(timer ? "mnuTimer" : "mnuMacro");
        if (ending(st) != 0)
            return;
        // The record of the key, and every name written back by the page's OK.
        if (timer && inner) {
            const int fields[5] = {st("cycle"), st("mo") + 1, st("d") + 1, st("h"), st("mi")};
            for (int i = 0; i < 5; ++i)
                m.doc.img[at(22008 + 10 * t + i)] = static_cast<char>(fields[i]);
        } else if (inner && n > 0 && ok) {
            // The steps after the deleted one move down one place; the last becomes FF FF.
            for (int j = 2 * n - 2; j < 2 * steps - 2; ++j)
                m.doc.img[at(record + j)] = m.doc.img[at(record + j + 2)];
            m.doc.img[at(record + 2 * steps - 2)] = m.doc.img[at(record + 2 * steps - 1)] = '\xFF';
        }
        setNames(m.doc.img, timer ? 23232 : 34584, inner ? t : -1, name);
        m.stepTaken();
    }

    // A device button renamed, and given a kind, in the main-menu editor.
    void menu(const Step &st)
    {
        QList<int> buttons;
        for (int i = 0; i < 16; ++i)
            if (byteAt(m.doc.img, at(20016 + i)) <= 9)
                buttons << byteAt(m.doc.img, at(20016 + i));
        auto labelOf = [this](int b) {
            const int l = byteAt(m.doc.img, at(22132 + b));
            return l / 16 > 1 || l % 16 > 11 ? -1 : at(23496 + (l / 16) * 264 + (l % 16) * 22 + 2);
        };
        // Only a menu that keeps the editor's rules: each button once, its label on its page.
        for (int b : buttons)
            if (buttons.count(b) > 1 || labelOf(b) < 0)
                return;
        if (m.doc.kind != 1 || buttons.isEmpty())
            return;
        const int b = buttons[st("b") % buttons.size()], kind = st("kind"), label = labelOf(b);
        QByteArray bank = deviceBytes(m.doc.img, b);
        if (!Layout{bank}.sane())
            return;
        static const char *const options[8] = {"OptTV", "OptVCR", "OptDVD", "OptVCD", "OptAMP", "OptTAPE", "OptSAT", "OptCD"};
        static const int codes[8] = {192, 195, 196, 197, 198, 199, 200, 201}, slotOf[8] = {5, 2, 3, 0, 4, 6, 1, 7};
        const QString name = labelText(st("name"));
        // Another button's name is refused, unless the button bears it already.
        bool taken = false;
        for (int other : buttons)
            taken = taken || (other != b && labelAt(m.doc.img, labelOf(other)).trimmed() == name);
        taken = taken && labelAt(m.doc.img, label).trimmed() != name;
        QByteArray edited = m.doc.img;   // the editor's buffers, written back only by OK
        if (st("ok") && !taken) {
            writeText(edited, label, name);
            // A new kind's default layout reaches the bank at once (keys it holds only after
            // the question); Cancel keeps it, and the document says it changed.
            if (byteAt(edited, at(1056 + b)) != codes[kind] && (Layout{bank}.keys().isEmpty() || st("q") == 0)) {
                putDeviceBytes(m.doc.img, b, deviceBytes(m.doc.img, slotOf[kind], true));
                // A step of its own, which the editor's Cancel keeps.
                m.stepTaken();
                putDeviceBytes(edited, b, deviceBytes(m.doc.img, b));
                edited[at(1056 + b)] = static_cast<char>(codes[kind]);
            }
        }
        inEditor(st, [&](QDialog &d) {
            auto &e = static_cast<GridEditor &>(d);
            onDialog([&](QDialog &in) {
                typeInto(in, name);
                pressNamed(in, QLatin1String(options[kind]));
                pressNamed(in, st("ok") ? u"ComYES"_s : u"ComNO"_s);
            });
            press(e.OptEDIT);
            pressKey(e, b);
        });
        trigger("mnuMenuEdit");
        if (ending(st) == 0) {
            m.doc.img = edited;
            m.stepTaken();
        }
    }

    // Copy Device, then Paste Device into an empty bank under a name. The copied bank's bytes
    // land whole in the bank chosen and nothing but the main menu changes besides; a paste
    // refused (a name another device has, no place on the menu) or cancelled changes nothing.
    void paste(const Step &st)
    {
        const QStringList names = deviceNames(m.doc.img), listed = listedNames(m.doc.img);
        if (m.doc.kind != 1 || listed.isEmpty())
            return;
        // A bank is free when no button opens it and its slots, labels and blocks hold nothing.
        QList<int> empty;
        for (int b = 0; b < 10; ++b) {
            bool used = false;
            for (int i = 0; i < 16; ++i)
                used = used || byteAt(m.doc.img, at(20016 + i)) == b;
            const QByteArray bank = deviceBytes(m.doc.img, b);
            for (const auto &[from, to] : {std::pair{0, 48}, {180, 3876}})
                for (int i = from; i < to; ++i)
                    used = used || static_cast<unsigned char>(bank[i]) != 255;
            if (!used)
                empty << b;
        }
        const int from = static_cast<int>(names.indexOf(listed[st("dev") % listed.size()]));
        const QString name = st("name") % 3 == 0 ? names[from] : labelText(st("name"));
        const int to = empty.isEmpty() ? -1 : empty[st("to") % empty.size()];
        clickDevice(names[from]);
        trigger("mnuCopyDevice");
        onDialog([&](QDialog &d) {
            typeInto(d, name, u"Text1"_s);
            pickRow(d, static_cast<int>(empty.indexOf(to)), st("ok") != 0);
        });
        trigger("mnuPasteDevice");
        const QByteArray now(reinterpret_cast<const char *>(s_->g.Image.data()), ImageBytes);
        if (now == m.doc.img)
            return;
        if (to < 0 || !st("ok") || names.contains(name.trimmed(), Qt::CaseInsensitive)) {
            violation(u"doc"_s, u"a paste that had to be refused changed the memory"_s);
            return;
        }
        QByteArray expected = m.doc.img;
        putDeviceBytes(expected, to, deviceBytes(m.doc.img, from));
        for (const auto &[address, n] : {std::pair{960, 32}, {1056, 10}, {20016, 16}, {22132, 10}, {23496, 528}})
            for (int i = 0; i < n; ++i)
                expected[at(address + i)] = now[at(address + i)];
        if (expected != now || deviceNames(now)[to] != name)
            violation(u"doc"_s, u"the device pasted into bank %1 is not the one copied, or more changed"_s.arg(to + 1));
        m.doc.img = now;
        m.stepTaken();
    }

    // Whether the remote knows the key a timer sends or a step presses: a named device's key
    // standing in a slot, or one of its rubber keys; for a timer, a hot-macro key too.
    bool known(int bank, int key, bool timer) const
    {
        if (timer && bank == 10)
            return key < 12;
        if (bank > 9 || deviceNames(m.doc.img)[bank].isEmpty() || key > 41)
            return false;
        for (int i = 0; i < 48 && key < 35; ++i)
            if (byteAt(m.doc.img, at(19536 + 48 * bank + i)) == key)
                return true;
        return key >= 35;
    }
    // Whether the text says a key as a value (else its bytes travel as they are).
    bool named(int bank, int key, bool timer) const
    {
        if (timer && bank == 10)
            return key < 12;
        return bank <= 9 && !deviceNames(m.doc.img)[bank].isEmpty() && key <= 41;
    }

    // A timer or hot macro copied on its page (in either mode) and pasted onto another key in
    // Setup. Within one memory the record arrives whole, but for a timer's place, which is
    // where the key stands; a paste of nothing, or of a key the memory lacks, is refused; a
    // paste over a record asks first. Refused or cancelled, nothing changes.
    void pastePlus(const Step &st)
    {
        if (m.doc.kind != 1)
            return;
        const bool timer = st("which") == 0;
        const int t = st("t"), u = st("u"), size = timer ? 10 : 66;
        const int from = timer ? 22008 + 10 * t : 20064 + 66 * t, to = timer ? 22008 + 10 * u : 20064 + 66 * u;
        const int names = timer ? 23232 : 34584;
        QByteArray record(size, '\0');
        for (int i = 0; i < size; ++i)
            record[i] = m.doc.img[at(from + i)];
        // A name as the page reads it: up to the first FF, without trailing blanks.
        auto nameOf = [&](int i) {
            QString n = QString::fromLatin1(m.doc.img.mid(at(names + 22 * i + 2), 20).split('\xFF').first());
            while (n.endsWith(u' '))
                n.chop(1);
            return n;
        };
        const QString name = nameOf(t);
        bool held = !nameOf(u).trimmed().isEmpty();
        for (int i = 0; i < size; ++i)
            held = held || byteAt(m.doc.img, at(to + i)) != 255;
        bool refused = name.trimmed().isEmpty() && record.count('\xFF') == size;
        auto byte = [&](int i) { return static_cast<int>(static_cast<unsigned char>(record[i])); };
        if (timer && named(byte(5), byte(6), true)) {
            refused = refused || !known(byte(5), byte(6), true);
            const int bank = byte(5), key = byte(6);
            if (bank == 10) {
                record[7] = static_cast<char>(key / 4);
                record[8] = static_cast<char>(2 * (key % 4));
                record[9] = static_cast<char>(0x50 + 2 * (key % 4) + 1);
            }
            for (int i = 0; bank < 10 && key < 35 && i < 48; ++i)
                if (byteAt(m.doc.img, at(19536 + 48 * bank + i)) == key) {
                    const int a = 96 * bank + 24 * (i / 12) + 2 * (i % 12);
                    record[7] = static_cast<char>(i / 12), record[8] = static_cast<char>(a / 256);
                    record[9] = static_cast<char>(a % 256);
                    break;
                }
        }
        for (int n = 0; !timer && n < 25; ++n) {
            const int head = byte(2 * n), delay = head % 16;
            const bool delayKnown = delay <= 3 || delay == 5 || delay == 7 || delay == 10 || delay == 15;
            if (head != 255 && delayKnown && named(head / 16, byte(2 * n + 1), false))
                refused = refused || !known(head / 16, byte(2 * n + 1), false);
        }
        inEditor(st, [&](QDialog &page) {
            QTest::keyClick(page.findChild<QWidget *>(u"PicKEY_%1"_s.arg(t)), Qt::Key_C, Qt::ControlModifier);
            pressNamed(page, u"OptEDIT"_s);
            QTest::keyClick(page.findChild<QWidget *>(u"PicKEY_%1"_s.arg(u)), Qt::Key_V, Qt::ControlModifier);
        });
        trigger(timer ? "mnuTimer" : "mnuMacro");
        if (ending(st) != 0)
            return;
        if (!refused && (!held || st("ok"))) {
            for (int i = 0; i < size; ++i)
                m.doc.img[at(to + i)] = record[i];
            setNames(m.doc.img, names, u, name);
        } else {
            setNames(m.doc.img, names, -1, QString());
        }
        m.stepTaken();
    }

    // Download, Upload or Compare with Remote against a remote that misbehaves as the step
    // says, with Escape or a drop at a moment of it.
    void transfer(const Step &st)
    {
        const int dir = st.kind == u"download" ? 0 : st.kind == u"upload" ? 1 : 2;
        const char *command = dir == 0 ? "mnuDOWN" : dir == 1 ? "mnuUP" : "mnuCompareRemote";
        if ((dir > 0 && m.doc.kind != 1) || (dir == 0 && !discard(st, Discard::SaveThenGoOn)))
            return void(trigger(command));
        sim::Options o;
        const int mis = st("mis"), page = st("page"), esc = st("esc"), drop = st("drop");
        const int pages = mis == 10 && dir != 1 ? 1 + page % 511 : 512;
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
        case 10: o.pageCount = pages; break;
        default: break;
        }
        SwitchPort &port = *s_->port;
        port.reset(o, m.remote, *s_->clock);
        s_->clock->now = 0;
        // The window runs its events while it keeps itself painted, as during a transfer.
        const QStringList files = m.filesIn(u"DATA"_s);
        const QString dropped = files.value(st("f") % static_cast<int>(files.size()));
        bool dropTaken = false;
        // A second start hands over a file: it waits for the transfer's end, and then opens
        // as Open does, its question answered No (other answers are Open's own rules).
        const int hand = st.has("hand") && st("save") == 1 ? st("hand") : -1;
        const QStringList all = files + m.filesIn(u"MODEL"_s);
        const QString handed = all.value(st("f") % static_cast<int>(all.size()));
        bool handedOver = false;
        port.when = esc >= 0 ? esc : drop >= 0 ? drop : hand;
        port.act = [&, this] {
            const QString fileBefore = s_->g.CurrentFile;
            if (esc >= 0)
                QTest::keyClick(s_->w.get(), Qt::Key_Escape);
            if (drop >= 0)
                dropTaken = dropFile(dropped);
            if (hand >= 0 && !handed.isEmpty()) {
                openWhenShown(*s_->w, path(handed));
                handedOver = true;
            }
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            if (handedOver && transferring() && s_->g.CurrentFile != fileBefore)
                violation(u"drop"_s, u"a file handed over opened during the transfer: "_s + handed);
        };
        // Whatever the transfer's outcome, the file handed over is the document after it.
        struct AtEnd {
            std::function<void()> run;
            ~AtEnd() { run(); }
        } handedOpens{[&, this] {
            if (handedOver)
                load(handed);
        }};
        const QByteArray before = m.doc.img, remoteBefore = m.remote;
        if (dir == 1 && !refused())
            m.kept(m.doc.img);   // what the remote is about to be given
        trigger(command);
        QElapsedTimer waited;
        waited.start();
        while (transferring() && waited.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        port.when = -1;
        if (transferring())
            return violation(u"hang"_s, u"the transfer still ran after 20 s"_s), s_->c->shutdown();
        if (dropTaken)
            violation(u"drop"_s, u"a drop of %1 was taken during the transfer"_s.arg(dropped));

        // One " OK !" or " fail !"; a comparison shows its differences instead of " OK !".
        QCoreApplication::processEvents();
        const bool ok = dir == 2 ? s_->ui.dialogsShown.contains(u"frmCompare"_s) : results_.value(0) == u" OK !";
        const bool mustFail = mis == 8 || mis == 9 || (dir == 1 && !pagesNumbered(m.doc.img));
        if (results_.size() != (dir == 2 && ok ? 0 : 1))
            violation(u"transfer"_s, u"results shown: "_s + results_.join(u'|'));
        if (ok && mustFail)
            violation(u"transfer"_s, u"a transfer that must fail succeeded"_s);
        // Bytes a stopped transfer left in the receive queue come first in the next one, as
        // the protocol keeps them; that one may then fail too.
        if (!ok && esc < 0 && !mustFail && !m.unsettled)
            violation(u"transfer"_s, u"a transfer failed (misbehaviour %1, page %2): %3; log ends %4"_s.arg(mis).arg(page)
                                         .arg(s_->c->engine().failureReason(),
                                              s_->c->engine().TransferLog.right(120).simplified()));
        m.unsettled = !ok;
        QByteArray read = dir == 2 ? QByteArray(ImageBytes, '\0') : before;   // a comparison reads into an empty memory
        std::memcpy(read.data(), m.remote.constData(), static_cast<size_t>(pages * PageSize));
        if (dir == 1) {
            const int sent = 512 * PageSize;
            if (!cutShort(port.image(), remoteBefore, before, 512) || (ok && port.image().left(sent) != before.left(sent)))
                violation(u"transfer"_s, u"the remote holds pages the upload did not send"_s);
            m.remote = port.image();
        } else if (!ok && dir == 0) {
            const QByteArray now(reinterpret_cast<const char *>(s_->g.Image.data()), ImageBytes);
            // A file handed over has opened as the transfer ended: the memory is that file's.
            if (!handedOver && !cutShort(now, before, m.remote, pages))
                violation(u"transfer"_s, u"a failed download left pages the remote did not send"_s);
            m.doc.img = now;
        }
        if (ok && dir != 1 && !refused())
            m.kept(read);
        if (dir == 2 || (dir == 1 && !ok))
            return;
        m.doc.kind = m.doc.modified = ok ? 1 : 0;
        m.doc.file.clear();
        m.doc.caption = ok ? u"Quillet  [DOWNLOAD]"_s : u"Quillet  [NONE]"_s;
        if (ok && dir == 0)
            m.doc.img = read;
        // A download starts a new history; after an upload no state of it is the one saved.
        if (dir == 0)
            m.newHistory();
        else
            m.saved = -1;
    }

    // Save Model.., Open Model.. into a bank and Backup.. of a bank, for the device selected
    // in the list.
    void modelOrBackup(const Step &st)
    {
        const QStringList names = deviceNames(m.doc.img), listed = listedNames(m.doc.img);
        if (m.doc.kind != 1 || listed.isEmpty())
            return;
        const int bank = static_cast<int>(names.indexOf(listed[st("dev") % listed.size()])), to = st("to");
        const bool ok = st("ok");
        clickDevice(names[bank]);
        if (st.kind == u"modelsave") {
            if (const QString rel = chooseSave(st, true); !rel.isEmpty())
                saved(rel, deviceBytes(m.doc.img, bank));
            return void(trigger("mnuModelSave"));
        }
        const QStringList models = m.filesIn(u"MODEL"_s);
        const QString model = models.value(st("f") % std::max<int>(1, static_cast<int>(models.size())));
        if (st.kind == u"modelload" && !selectInTree(model))
            return;
        // Backup.. lists the kinds alphabetically, each with its slot; Open Model.. the
        // devices, and takes the highest bank of the chosen name.
        static const int slotOfRow[8] = {4, 7, 3, 0, 1, 6, 5, 2};
        const int row = st.kind == u"backup" ? to % 8 : to % static_cast<int>(listed.size());
        if (ok && st.kind == u"backup")
            putDeviceBytes(m.doc.img, slotOfRow[row], deviceBytes(m.doc.img, bank), true);
        else if (ok)
            putDeviceBytes(m.doc.img, static_cast<int>(names.lastIndexOf(listed[row])), m.files.value(model).left(ModelBytes));
        onDialog([this, row, ok](QDialog &d) { pickRow(d, row, ok); });
        if (ok)
            m.stepTaken();
        trigger(st.kind == u"backup" ? "mnuOEMLoad" : "mnuModelLoad");
    }

    void exitAndStart(const Step &st)
    {
        const bool goOn = discard(st, Discard::SaveThenGoOn);
        trigger("mnuFileClose");
        if (s_->w->hasExited() != goOn)
            return violation(u"doc"_s, goOn ? u"Exit did not end"_s : u"Exit ended"_s);
        // A folder that cannot be written would be taken for an installation at the next start.
        calm();
        if (QString why; goOn && !restart(st, m.leftCopies, &why))
            violation(u"recovery"_s, why);
    }

    // Before a kill: two quick edits of a timer's name while the copy of the first waits to
    // be written. The copy written is the second; the kill comes once it is on the disk,
    // still within the wait that the second edit began.
    void quickEdits(const Step &st)
    {
        auto *recovery = s_->w->findChild<DocumentRecovery *>();
        if (!st("quick") || m.doc.kind != 1 || !recovery || refused())
            return;
        recovery->delayMs = 600;
        for (int i = 0; i < 2; ++i) {
            if (i > 0)
                QTest::qWait(150);
            const Step edit{u"timer"_s,
                            {{u"t"_s, st("a") % 12}, {u"cycle"_s, 2}, {u"mo"_s, 1}, {u"d"_s, 2}, {u"h"_s, 3}, {u"mi"_s, 4},
                             {u"name"_s, st("ms") + i}, {u"inner"_s, 1}, {u"end"_s, 0}}};
            plus(edit);
        }
        recovery->delayMs = 0;
    }

    // Undo or Redo of the document, once to three times, by its menu item, its toolbar button
    // or a key: the bytes and Modified of the state before (or after), on only when there is
    // one, and the item and the status bar naming the step.
    void undoRedo(const Step &st)
    {
        const bool back = st.kind == u"undo";
        const QString name = back ? u"mnuUndo"_s : u"mnuRedo"_s;
        for (int i = 0; i <= st("n"); ++i) {
            QAction *a = s_->w->action(name);
            const bool can = m.move(back ? -1 : 1);
            if (a->isEnabled() != can)
                return violation(u"doc"_s, u"%1 is %2"_s.arg(name, a->isEnabled() ? u"on"_s : u"off"_s));
            if (can != (a->text() != (back ? u"&Undo"_s : u"R&edo"_s)))
                return violation(u"doc"_s, u"%1 reads \"%2\""_s.arg(name, a->text()));
            const int via = st("via");
            if (via == 0)
                a->trigger();
            else if (via == 1)
                clickNamed(*s_->w, u"Toolbar1_"_s + name);
            else if (s_->w->activateWindow(); QTest::qWaitForWindowActive(s_->w.get()))
                QTest::keyClick(s_->w.get(), via == 3 || back ? Qt::Key_Z : Qt::Key_Y,
                                back || via == 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
            else
                return violation(u"doc"_s, u"the main window cannot be made active for a key"_s);
            const QString said = s_->w->StatusBar1->currentMessage();
            if (can && !said.startsWith(back ? u"Undid "_s : u"Redid "_s))
                return violation(u"doc"_s, u"the status bar says \"%1\" after %2"_s.arg(said, name));
        }
    }

    // Export Text, then Import Text of what it wrote: the same document, as a new one.
    void textRound(const Step &st)
    {
        if (!m.doc.kind || armed_)
            return;
        const QString rel = u"EXPORT/T%1.json"_s.arg(st("f"));
        QDir().mkpath(path(u"EXPORT"_s));
        fileAnswer(rel);
        trigger("mnuFileExport");
        m.exports[rel] = readAll(path(rel));
        if (m.exports[rel].isEmpty())
            return violation(u"files"_s, u"Export Text wrote nothing"_s);
        if (discard(st, Discard::SaveAsThenStop)) {
            fileAnswer(rel);
            m.doc.file.clear();
            m.doc.caption = u"Quillet  [IMPORTED]"_s;
            m.doc.modified = 1;
            m.doc.saveAsFirst = false;
            m.newHistory();
        }
        trigger("mnuFileImportText");
    }

    // ---- The checks

    bool check(Failure *f)
    {
        if (!violations_.isEmpty())
            return *f = violations_.first(), false;
        auto fail = [f](const char *rule, const QString &text) { return *f = {QLatin1String(rule), text}, false; };
        const Globals &g = s_->g;
        const Doc &d = m.doc;
        if (g.LoadedKind != d.kind || g.Modified != d.modified || g.CurrentFile != d.file)
            return fail("doc", u"kind %1 modified %2 file \"%3\"; expected %4 %5 \"%6\""_s.arg(g.LoadedKind).arg(g.Modified)
                                   .arg(g.CurrentFile).arg(d.kind).arg(d.modified).arg(d.file));
        if (s_->w->windowTitle() != d.caption)
            return fail("doc", u"caption \"%1\", expected \"%2\""_s.arg(s_->w->windowTitle(), d.caption));
        const auto mismatch = std::mismatch(g.Image.data(), g.Image.data() + ImageBytes, d.img.constData(),
                                            [](std::uint8_t a, char b) { return a == static_cast<quint8>(b); });
        if (const auto i = static_cast<int>(mismatch.first - g.Image.data()); i < ImageBytes)
            return fail("doc", u"the memory differs at page %1 byte %2: %3, expected %4"_s.arg(i / PageSize).arg(i % PageSize)
                                   .arg(*mismatch.first).arg(byteAt(d.img, i)));
        if (d.kind == 2 && worksetBytes(g) != d.dev)
            return fail("doc", u"the model's bytes differ"_s);
        // Commands by what is loaded, and the devices listed.
        const bool one = d.kind == 1, any = d.kind != 0;
        for (const auto &[name, on] : {std::pair{"mnuFileSave", any}, {"mnuFileSaveAs", any}, {"mnuMenuEdit", one},
                                       {"mnuKeyEdit", any}, {"mnuTimer", one}, {"mnuMacro", one}, {"mnuDOWN", true}, {"mnuUP", one}})
            if (s_->w->action(QLatin1String(name))->isEnabled() != on)
                return fail("doc", u"%1 is %2"_s.arg(QLatin1String(name), on ? u"off"_s : u"on"_s));
        QStringList shown, devices = !any ? QStringList() : one ? QStringList{u"MENU"_s} + listedNames(d.img) : QStringList{u"MODEL"_s};
        for (int i = 0; i < s_->w->ListView1->topLevelItemCount(); ++i)
            shown << s_->w->ListView1->topLevelItem(i)->text(0);
        if (shown != devices)
            return fail("doc", u"devices listed: %1; expected %2"_s.arg(shown.join(u','), devices.join(u',')));
        if (transferring() || s_->c->Timer1->isActive() || s_->w->Picture1->isVisible())
            return fail("transfer", u"a transfer is left running or showing"_s);
        // The status bar's count is the check's (quillet-cli check's) on the bytes just compared.
        const QToolButton *count = s_->w->checks()->cmdCheck;
        const QString counted = !any ? QString() : countsText(countFindings(one ? checkMemory(g.Image) : checkModel(g)));
        if (count->isVisibleTo(s_->w.get()) != any || (any && count->text() != counted))
            return fail("check", u"the status bar counts \"%1\"; the check finds \"%2\""_s.arg(count->text(), counted));
        // The check, the presses, the macros and the timers tell one story of the memory.
        if (const QString disagree = one ? remoteDisagreement(g.Image) : QString(); !disagree.isEmpty())
            return fail("remote", disagree);

        // Every file on the disk is its last save; the history holds the last transfers.
        QMap<QString, QByteArray> disk, exports;
        QList<QByteArray> history = m.history;
        for (QDirIterator it(path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString rel = it.next().mid(path().size());
            const QByteArray bytes = rel.contains(u'/') ? readAll(it.filePath()) : QByteArray();
            if (rel.startsWith(u"DATA/History/")) {
                if (rel.endsWith(u".DAT") && !history.removeOne(bytes))
                    return fail("history", u"%1 holds none of the last %2 transfers"_s.arg(rel).arg(m.history.size()));
            } else if (rel.contains(u'/')) {
                (rel.startsWith(u"EXPORT/") ? exports : disk)[rel] = bytes;
            }
        }
        if (!history.isEmpty())
            return fail("history", u"%1 transfers are missing from the history"_s.arg(history.size()));
        if (exports != m.exports)
            return fail("files", u"an export changed without Export"_s);
        if (disk.keys() != m.files.keys())
            return fail("files", u"files %1; expected %2"_s.arg(disk.keys().join(u','), m.files.keys().join(u',')));
        for (auto it = disk.cbegin(); it != disk.cend(); ++it)
            if (it.value() != m.files.value(it.key()))
                return fail("files", it.key() + u" is not what was last saved"_s);

        // While the document is modified a copy of it is on the disk soon; the ones left by
        // sessions that were killed stay until they are answered.
        QElapsedTimer t;
        t.start();
        QString why;
        while (copiesOnDisk(root_ + u"/Recovery"_s, m.expectedCopies(), &why), !why.isEmpty() && t.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return why.isEmpty() || fail("recovery", why);
    }

    QString root_;
    Model m;
    std::unique_ptr<Session> s_;
    const Step *cur_ = nullptr;
    int restoreAsked_ = 0;
    bool subOk_ = false;
    bool keys_ = false;       // the editors by keyboard this step
    bool realDisk_ = false;   // the program's folder is a small disk of its own
    int armed_ = 0;           // steps left that meet a full disk or a read-only folder
    bool readOnly_ = false;
    QList<Failure> violations_;
    QStringList results_;     // " OK !" and " fail !" shown in this step
};

}  // namespace

std::unique_ptr<Runner> Runner::create(const QString &root) { return std::make_unique<Driver>(root); }

}  // namespace seq
