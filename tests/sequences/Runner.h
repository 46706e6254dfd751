#pragma once

#include "Model.h"
#include "Sequence.h"

#include <memory>

class QDialog;

namespace seq {

struct Session;

struct Failure {
    QString rule;   // which promise broke: doc, files, recovery, history, transfer, box, drop, ...
    QString text;
};

// Runs steps on the real main window, in this process, and checks the model after each.
class Runner {
public:
    Runner(const QString &root, const Rules &rules);
    ~Runner();

    // A fresh program folder and a fresh start; or the start after a kill of the session
    // the model describes, answering its restore questions as `restart` says.
    bool start(Failure *f);
    bool resume(const Model &model, const Step &restart, Failure *f);
    bool run(const Step &step, Failure *f);
    const Model &model() const { return m; }
    // Ends a full disk or a read-only folder that steps are meeting.
    void calm();

private:
    void startSession();
    bool restart(const Step &st, QList<Doc> offered, QString *why);
    bool check(Failure *f);
    int answer(const QString &text, int buttons);
    void violation(const QString &rule, const QString &text);

    // The actions: each tells the model what must come of it, then does it in the window.
    void open(const Step &st);
    void fileCommand(const Step &st);
    void device(const Step &st);
    void plus(const Step &st);
    void menu(const Step &st);
    void transfer(const Step &st);
    void modelOrBackup(const Step &st);
    void exitAndStart(const Step &st);

    // The documented rules of the file commands.
    enum class Discard { SaveAsThenStop, SaveThenGoOn, SaveThenGoOnRefresh };
    bool discard(const Step &st, Discard rule);
    void saveAsCommand(const Step &st);
    bool saveDocAs(const Step &st);
    QString chooseSave(const Step &st, bool model);
    bool saved(const QString &rel, const QByteArray &bytes);
    void load(const QString &rel);
    QString title(const QString &file) const { return u"Quillet  ["_s + file + u']'; }
    bool refused() const { return armed_ > 0; }

    // Driving the window.
    QString path(const QString &rel = {}) const { return root_ + u"/app/"_s + rel; }
    void fileAnswer(const QString &rel);
    void onDialog(const std::function<void(QDialog &)> &script);
    bool trigger(const char *action);
    bool selectInTree(const QString &rel);
    bool clickDevice(const QString &name, bool twice = false);
    bool dropFile(const QString &rel);

    QString root_;
    Rules rules_;
    Model m;
    std::unique_ptr<Session> s_;
    const Step *cur_ = nullptr;
    int restoreAsked_ = 0;
    bool subOk_ = false;
    bool realDisk_ = false;    // the program's folder is a small disk of its own
    int armed_ = 0;            // steps left that meet a full disk or a read-only folder
    bool readOnly_ = false;
    QList<Failure> violations_;
    QStringList results_;      // " OK !" and " fail !" shown in this step
};

}  // namespace seq
