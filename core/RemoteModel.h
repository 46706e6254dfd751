#pragma once

#include "core/ImageReading.h"
#include "core/KeySent.h"
#include "core/MemoryCheck.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace quillet {

class MemoryImage;
struct DeviceWorkset;

// What the remote does with a memory: which screen a press leads to, what a key sends,
// when a hot macro presses each of its keys and when every timer fires. Nothing here
// reads a clock: every time is an argument, so the window, the command line and the
// tests get the same answers.

// One screen of the remote: a page of the main menu or a key page of a device.
struct Screen {
    enum Kind { Menu, Device };
    Kind kind = Menu;
    int bank = -1;   // Device: the bank shown
    int page = 0;    // menu 0..1, device 0..3
    bool operator==(const Screen &) const = default;
};

// What one press sends, in the remote's words.
struct KeyPress {
    SentKey sent;
    QString device;      // "TV", "bank 4", "hot macro"
    QString label;       // "VOL+", "[Volume up]", "PLAY", a hot macro's name (empty when it has none)
    int page = -1;       // the key page it stands on; -1 for a rubber key or nothing
    CellRect cells;
    // What the check says of the key (a damaged layout, a blank label), its sentences
    // joined by "; "; empty when it says nothing.
    QString note;
    // A key whose slot is damaged: the remote still sends it, the editors leave it out.
    bool damaged() const { return sent.reading && sent.reading->damaged(); }
    // "TV · page 1 · key 4 · VOL+", "TV · rubber key PLAY", "hot macro 3 (OFF)", and for a
    // key that sends nothing "bank 4 · key 12 · sends nothing the remote knows (bank 4 has no
    // device)"; a damaged key ends with "damaged". The command line joins the same parts
    // with two blanks; a macro step leaves out the page.
    QString text(const QString &separator = QStringLiteral(" · "), bool withPage = true) const;
};

// What pressing a button of the main menu does.
struct ButtonPress {
    int button = -1;     // 0..9, the bank it opens
    const MenuButtonReading *reading = nullptr;   // nullptr: the menu has no such button
    bool opens = false;  // a device's first page comes up
    QString device;      // the device it opens
    // "MENU · page 1 · button 3 · TV · opens TV", "MENU · button 4 · opens nothing (the
    // main menu has no button 4)".
    QString text(const QString &separator = QStringLiteral(" · ")) const;
};

// A time from the press of a hot-macro key: the waits known so far, and whether a wait
// whose length is not known (a delay code none of the eight) came before.
struct MacroTime {
    int knownMs = 0;
    bool known = true;
    // "+1.5 s", and "+1.5 s + ?" after a wait that is not known.
    QString text() const;
    // Seconds, or null when not known.
    std::optional<double> seconds() const;
};

// One step of a hot macro. A step's key is pressed first and its delay runs after it,
// before the next step's key: the first step goes at +0.0 s, and the macro ends when
// the last step's delay has run.
struct TimelineStep {
    int step = 0;        // 1..25
    MacroTime at;        // from the press of the hot-macro key
    int delayCode = 0;
    std::optional<int> delayMs;   // none: the code is none of the eight delays
    KeyPress press;
    QString note;        // what the check says of this step and of its key, "; "-joined; empty when nothing
    // "+1.5 s TV · key 4 · VOL+": the time, then the press without its page.
    QString text(const QString &separator = QStringLiteral(" · "),
                 const QString &afterTime = QStringLiteral(" ")) const;
};

struct Timeline {
    int macro = -1;      // 0..11
    QString name;        // empty when the macro has none
    std::vector<TimelineStep> steps;
    MacroTime length;    // until the last delay has run
    // The steps that can be played in time: up to and including the first whose wait is
    // not known; after it no time is known.
    int playable() const;
};

// One firing of a timer.
struct Firing {
    QDateTime at;        // local wall time, as the remote keeps it
    int timer = 0;       // 0..11
    KeyPress press;
    int macro = -1;      // 0..11 when the timer fires a hot macro
    QString note;        // what the check says of the timer, "; "-joined; empty when nothing
    // "2026-12-24 Thu 18:05" then the timer's name and what it sends.
    QString text(const QString &name, const QString &separator = QStringLiteral("  ")) const;
};

// Whether a timer fires at all, and why not.
struct TimerPlan {
    int timer = 0;
    QString name;        // empty when the timer has none
    bool fires = false;
    QString reason;      // when it never fires: "DISABLE", "no key", "02-30 does not exist"
    QString note;        // what the check says of the timer, "; "-joined; empty when nothing
    // "timer 3", "timer 3 (WAKE UP)": the number once, the name only when it has one.
    QString who() const;
};

class RemoteModel {
public:
    // A whole memory.
    explicit RemoteModel(const MemoryImage &image);
    // The one device of a model file: no menu, no timers, no macros; shown as bank 0.
    explicit RemoteModel(const DeviceWorkset &model);
    RemoteModel(const RemoteModel &) = delete;
    RemoteModel &operator=(const RemoteModel &) = delete;

    bool isModel() const { return model_; }
    const ImageReading &reading() const { return reading_; }

    // Navigation.
    static constexpr int MenuPages = 2;
    static constexpr int DevicePages = 4;
    static int pageCount(const Screen &s) { return s.kind == Screen::Menu ? MenuPages : DevicePages; }
    // Where the remote starts, and where MENU leads: the menu's first page (for a model,
    // its device's first page).
    Screen home() const;
    // A device button opens its device's first page; a bank without a device opens nothing.
    bool canOpen(int bank) const { return reading_.device(bank) != nullptr; }
    Screen open(int bank) const { return {Screen::Device, bank, 0}; }
    // PAGE 1..4: a page the screen does not have leaves it where it is.
    Screen turn(const Screen &s, int page) const;
    // PageDown, PageUp: the next or previous page, stopping at the ends.
    Screen step(const Screen &s, int by) const { return turn(s, s.page + by); }
    QString screenName(const Screen &s) const;   // "MENU · page 1", "TV · page 2"

    std::vector<const MenuButtonReading *> buttons(int menuPage) const;
    std::vector<const KeyReading *> keys(const Screen &s) const;
    const MenuButtonReading *buttonAt(int menuPage, int column, int row) const;
    const KeyReading *keyAt(const Screen &s, int column, int row) const;

    // What pressing key `key` (0..34 on a page, 35..41 the rubber keys) of `bank` sends.
    KeyPress press(int bank, int key) const;
    // What pressing button `button` (0..9) of the main menu does.
    ButtonPress pressButton(int button) const;

    // A hot macro's steps in time.
    Timeline timeline(int macro) const;

    // What the check says of a memory, once; the notes below are its sentences.
    const std::vector<Finding> &findings() const { return findings_; }
    QString keyNote(int bank, int key) const;
    QString stepNote(int macro, int step) const;
    QString timerNote(int timer) const;

    // Every firing at or after `from` and before `until`, in time order (timers in their
    // order at the same minute). Timers that never fire give none.
    std::vector<Firing> firings(const QDate &from, const QDate &until) const;
    // The timers in use (set up or named), in their order.
    std::vector<TimerPlan> plans() const;
    TimerPlan plan(int timer) const;
    // Whether a timer's cycle falls on a day (date and time aside).
    static bool cycleFallsOn(const TimerReading &t, const QDate &day);

private:
    KeyPress pressOf(const SentKey &sent) const;
    QString noteAt(CheckPlace::Kind kind, int index, int key, int step) const;

    ImageReading reading_;
    bool model_ = false;
    std::vector<Finding> findings_;
};

// "Thu", in English whatever the locale, as the remote shows it.
QString weekdayText(const QDate &day);

}  // namespace quillet
