#pragma once

// Whether the check and the remote's behaviour model tell one story about a memory: a key
// the check calls gone sends nothing, and the other way round; a timer the check says never
// fires has no firing; every note is the check's own sentence. Empty when they agree.

#include "core/MemoryImage.h"
#include "core/RemoteModel.h"

#include <QDate>
#include <QStringList>

namespace quillet::testing {

inline QString remoteDisagreement(const MemoryImage &image)
{
    const RemoteModel model(image);
    const std::vector<Finding> &found = model.findings();
    auto said = [&found](CheckPlace::Kind kind, int index, int step, std::initializer_list<Finding::Code> codes) {
        QStringList out;
        for (const Finding &f : found)
            if (f.place.kind == kind && f.place.index == index && f.place.step == step &&
                (codes.size() == 0 || std::find(codes.begin(), codes.end(), f.code) != codes.end()))
                out << f.sentence();
        return out;
    };
    const std::initializer_list<Finding::Code> never{Finding::BadCycle, Finding::BadTime, Finding::BadDate,
                                                     Finding::NoKey};
    const std::initializer_list<Finding::Code> gone{Finding::DanglingKey, Finding::NoKey};
    std::array<const TimerPlan *, 12> planOf{};
    const std::vector<TimerPlan> plans = model.plans();
    for (const TimerPlan &p : plans)
        planOf[static_cast<size_t>(p.timer)] = &p;
    for (int t = 0; t < 12; ++t) {
        const bool neverByCheck = !said(CheckPlace::Timer, t, -1, never).isEmpty();
        const TimerPlan *p = planOf[static_cast<size_t>(t)];
        // DISABLE never fires by choice, and the check says nothing of it.
        const bool neverByList = p && !p->fires && p->reason != QStringLiteral("DISABLE");
        if (neverByCheck != neverByList)
            return QStringLiteral("timer %1: the check %2 it never fires, the timers list %3")
                .arg(t + 1)
                .arg(neverByCheck ? QStringLiteral("says") : QStringLiteral("does not say"),
                     neverByList ? QStringLiteral("does") : QStringLiteral("does not"));
        if (p && p->note != said(CheckPlace::Timer, t, -1, {}).join(QStringLiteral("; ")))
            return QStringLiteral("timer %1: its note \"%2\" is not the check's").arg(t + 1).arg(p->note);
    }
    // Four years hold every weekday of every date, a leap day among them.
    for (const Firing &f : model.firings(QDate(2028, 1, 1), QDate(2032, 1, 1))) {
        const TimerPlan *p = planOf[static_cast<size_t>(f.timer)];
        if (!p || !p->fires)
            return QStringLiteral("timer %1 fires on %2, yet never fires").arg(f.timer + 1).arg(f.at.toString());
        if (f.note != p->note)
            return QStringLiteral("a firing of timer %1 says \"%2\"").arg(f.timer + 1).arg(f.note);
        const bool goneByCheck = !said(CheckPlace::Timer, f.timer, -1, {Finding::DanglingKey}).isEmpty();
        if (goneByCheck == f.press.sent.known())
            return QStringLiteral("timer %1 sends \"%2\"; the check %3 the key gone")
                .arg(f.timer + 1)
                .arg(f.press.text(), goneByCheck ? QStringLiteral("calls") : QStringLiteral("does not call"));
    }
    for (int m = 0; m < 12; ++m) {
        bool known = true;
        for (const TimelineStep &s : model.timeline(m).steps) {
            const bool goneByCheck = !said(CheckPlace::Macro, m, s.step, gone).isEmpty();
            const KeyPress pressed = model.press(s.press.sent.bank, s.press.sent.key);
            if (goneByCheck == s.press.sent.known() || pressed.sent.known() != s.press.sent.known())
                return QStringLiteral("hot macro %1 step %2 sends \"%3\", a press \"%4\"; the check %5 the key gone")
                    .arg(m + 1)
                    .arg(s.step)
                    .arg(s.press.text(), pressed.text(), goneByCheck ? QStringLiteral("calls") : QStringLiteral("does not call"));
            QStringList note = said(CheckPlace::Macro, m, s.step, {});
            if (!pressed.note.isEmpty())
                note << pressed.note;
            if (s.note != note.join(QStringLiteral("; ")))
                return QStringLiteral("hot macro %1 step %2: its note \"%3\" is not the check's").arg(m + 1).arg(s.step).arg(s.note);
            if (s.at.known != known)
                return QStringLiteral("hot macro %1 step %2: its time %3 after %4").arg(m + 1).arg(s.step).arg(s.at.text(),
                    known ? QStringLiteral("known waits") : QStringLiteral("a wait not known"));
            known = known && said(CheckPlace::Macro, m, s.step, {Finding::BadDelay}).isEmpty();
        }
    }
    return {};
}

}  // namespace quillet::testing
