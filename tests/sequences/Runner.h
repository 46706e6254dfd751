#pragma once

#include "Model.h"
#include "Sequence.h"

#include <memory>

namespace seq {

struct Session;

struct Failure {
    QString rule;   // which promise broke: doc, files, recovery, history, box, drop, ...
    QString text;
};

// Runs steps on the real main window, in this process, and checks the model after each.
class Runner {
public:
    Runner(const QString &root, const Rules &rules);
    ~Runner();

    // A fresh program folder and a fresh start, or the start after a kill of the session
    // the model describes, answering its restore questions as `restart` says.
    bool start(Failure *f);
    bool resume(const Model &model, const Step &restart, Failure *f);
    bool run(const Step &step, Failure *f);
    const Model &model() const { return m; }
    // Ends a full disk or a read-only folder that steps are meeting.
    void calm();
    int stepsRun = 0;

private:
    void startSession();
    bool restart(const Step &st, QList<Doc> offered, Failure *f);
    bool check(Failure *f);
    bool checkCopies(Failure *f);
    int answer(const QString &text, int buttons);
    void violation(const QString &rule, const QString &text);

    // Actions.
    void open(const Step &st);
    void device(const Step &st);
    void timer(const Step &st);
    void menu(const Step &st);
    void macro(const Step &st);
    void compareOrExport(const Step &st);
    void transfer(const Step &st);
    void removeOrRename(const Step &st);
    void modelOrBackup(const Step &st);
    void exitAndStart(const Step &st);

    // What a command does to the model, by the documented rules.
    enum class Discard { SaveAsThenStop, SaveThenGoOn, SaveThenGoOnRefresh };
    bool discard(const Step &st, Discard rule);
    void saveAsCommand(const Step &st);
    bool saveDocAs(const Step &st);
    QString chooseSave(const Step &st, bool model);
    bool saved(const QString &rel, const QByteArray &bytes);
    bool load(const QString &rel);
    QString title(const QString &file) const { return QStringLiteral("Quillet  [") + file + QLatin1Char(']'); }

    // Driving the window.
    QString path(const QString &rel) const;
    void fileAnswer(const QString &rel);
    bool trigger(const char *action);
    bool selectInTree(const QString &rel);
    bool clickDevice(const QString &name, bool twice = false);
    bool dropFile(const QString &rel);
    void settle(int rounds = 3);

    QString root_;
    Rules rules_;
    Model m;
    std::unique_ptr<Session> s_;
    const Step *cur_ = nullptr;
    int restoreAsked_ = 0;
    bool subOk_ = false;
    bool realDisk_ = false;    // the program's folder is a small disk of its own
    int armed_ = 0;            // steps left that meet a full disk or a read-only folder
    qint64 room_ = 0;          // its room, -1 for read-only
    bool refused(const QByteArray &bytes) const { return armed_ && (room_ < 0 || dataSize(bytes) > room_); }
    static qsizetype dataSize(const QByteArray &b) { return b.size() == ImageBytes ? FileBytes : b.size(); }
    QList<Failure> violations_;
    QStringList results_;   // " OK !" and " fail !" shown in this step
    QMap<QString, QByteArray> exported_;   // what Export wrote, as it wrote it
};

}  // namespace seq
