#pragma once

#include "Model.h"
#include "Sequence.h"

#include <memory>

namespace seq {

struct Failure {
    QString rule;   // which promise broke: doc, files, recovery, history, transfer, box, drop, check, hang, crash
    QString text;
};

// Runs steps on the real main window, in this process, and checks the model after each.
class Runner {
public:
    static std::unique_ptr<Runner> create(const QString &root);
    virtual ~Runner() = default;
    // A fresh program folder and a fresh start; or the start after a kill of the session
    // the model describes, answering its restore questions as `restart` says.
    virtual bool start(Failure *f) = 0;
    virtual bool resume(const Model &model, const Step &restart, Failure *f) = 0;
    virtual bool run(const Step &step, Failure *f) = 0;
    virtual const Model &model() const = 0;
    virtual void calm() = 0;   // ends a full disk or a read-only folder that steps are meeting
};

}  // namespace seq
