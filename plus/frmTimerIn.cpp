#include "plus/frmTimerIn.h"

#include "app/KeyboardAccess.h"
#include "app/UiServices.h"
#include "editors/LabelRules.h"
#include "core/Globals.h"
#include "plus/AlignedCaption.h"
#include "plus/Controls.h"
#include "plus/PlusRecords.h"
#include "plus/frmSelectKey.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace quillet {

namespace {

QComboBox *numberCombo(QWidget *parent, const QString &name, int first, int last)
{
    auto *combo = named<QComboBox>(parent, name);
    for (int v = first; v <= last; ++v)
        combo->addItem(QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')));
    return combo;
}

// The entry for a stored byte whose list starts at `first`: FF (unset) picks the first
// entry; any other byte off the list picks none, so that OK keeps it (as the cycle is kept).
void selectEntry(QComboBox *combo, Byte stored, int first)
{
    const int entry = stored - first;
    if (stored == Empty)
        combo->setCurrentIndex(0);
    else
        combo->setCurrentIndex(entry >= 0 && entry < combo->count() ? entry : -1);
}

// The byte OK writes: the chosen entry, or the stored byte while none is chosen.
void storeEntry(Byte &stored, const QComboBox *combo, int first)
{
    if (combo->currentIndex() >= 0)
        stored = static_cast<Byte>(combo->currentIndex() + first);
}

// The captions of a date or time row, placed from its two boxes whatever the font: the
// heading over the first box with its separator ("-" or ":") in the gap between the
// boxes, level with them, and each word of the second caption centred over its box.
void alignCaptions(AlignedCaption *heading, AlignedCaption *words, const QComboBox *first, const QComboBox *second)
{
    const QRect a = first->geometry();
    const QRect b = second->geometry();
    const int left = a.left();
    const int rowHeight = 17;
    const int wordsTop = a.top() - 20;
    const int headingTop = wordsTop - 20;
    heading->setGeometry(left, headingTop, b.right() + 1 - left, a.bottom() + 1 - headingTop);
    const int gapCentre = (a.right() + 1 + b.left()) / 2;
    heading->setPlaces({{0, rowHeight / 2, false}, {gapCentre - left, a.center().y() - headingTop, true}});
    words->setGeometry(left, wordsTop, b.right() + 1 - left, rowHeight);
    words->setPlaces({{a.center().x() - left, rowHeight / 2, true}, {b.center().x() - left, rowHeight / 2, true}});
    // The heading reaches down beside the boxes; it stays beneath them.
    heading->lower();
    heading->setAttribute(Qt::WA_TransparentForMouseEvents);
}

}  // namespace

frmTimerIn::frmTimerIn(Globals &g, UiServices &ui, QWidget *parent) : QDialog(parent), g_(g), ui_(ui)
{
    setObjectName(QStringLiteral("frmTimerIn"));
    openKeySelector = [this] { runKeySelector(g_, ui_, this); };
    buildControls();

    if (g_.EditResult != 0) {
        setWindowTitle(QStringLiteral("Setup"));
    } else {
        setWindowTitle(QStringLiteral("ReView"));
        // Nothing can be changed, but every value can be reached and read.
        for (auto *opt : OptCycle)
            readOnlyButFocusable(opt);
        readOnlyButFocusable(Text_IN);
        for (auto *combo : {ComboMonth, ComboDay, ComboHour, ComboMinute})
            readOnlyButFocusable(combo);
    }

    Text_IN->setText(g_.KeyLabel);
    Text_IN->setFocus();

    // A cycle byte off the list (FF in a timer never set up) selects no cycle and shows
    // no date or time until the user picks one; until then OK keeps the byte as it was.
    const auto &rec = g_.TimerRecord;
    cycle_ = rec[timer::Cycle];
    if (cycle_ < timer::CycleCount) {
        OptCycle[cycle_]->setChecked(true);
        showFieldsFor(cycle_);
    } else {
        for (QWidget *w : std::initializer_list<QWidget *>{ComboMonth, ComboDay, LabelDate, LabelDate1, ComboHour,
                                                           ComboMinute, LabelTime, LabelTime1})
            w->hide();
    }

    selectEntry(ComboMonth, rec[timer::Month], 1);
    selectEntry(ComboDay, rec[timer::Day], 1);
    selectEntry(ComboHour, rec[timer::Hour], 0);
    selectEntry(ComboMinute, rec[timer::Minute], 0);
}

void frmTimerIn::buildControls()
{
    setFixedSize(456, 304);

    Label1 = named<QLabel>(this, QStringLiteral("Label1"));
    Label1->setText(QStringLiteral("Timer Label"));
    Label1->setGeometry(16, 16, 89, 21);
    Text_IN = named<QLineEdit>(this, QStringLiteral("Text_IN"));
    Text_IN->setAccessibleName(Label1->text());
    Text_IN->setGeometry(112, 12, 329, 25);

    for (int i = 0; i < timer::CycleCount; ++i) {
        auto *opt = named<QRadioButton>(this, QStringLiteral("OptCycle_%1").arg(i));
        opt->setText(QString::fromLatin1(CycleCaptions[static_cast<size_t>(i)]));
        opt->setGeometry(16 + 144 * (i / 4), 52 + 26 * (i % 4), 141, 21);
        connect(opt, &QRadioButton::clicked, this, [this, i] { OptCycle_Click(i); });
        OptCycle[i] = opt;
    }

    auto *dateHeading = named<AlignedCaption>(this, QStringLiteral("LabelDate"),
                                              QStringLiteral("Setup Date                      -"));
    auto *dateWords = named<AlignedCaption>(this, QStringLiteral("LabelDate1"), QStringLiteral("Month       Day"));
    ComboMonth = numberCombo(this, QStringLiteral("ComboMonth"), 1, 12);
    ComboMonth->setGeometry(16, 204, 65, 25);
    nameField(ComboMonth, QStringLiteral("Month"));
    ComboDay = numberCombo(this, QStringLiteral("ComboDay"), 1, 31);
    ComboDay->setGeometry(112, 204, 65, 25);
    nameField(ComboDay, QStringLiteral("Day"));
    alignCaptions(dateHeading, dateWords, ComboMonth, ComboDay);
    LabelDate = dateHeading;
    LabelDate1 = dateWords;

    auto *timeHeading = named<AlignedCaption>(this, QStringLiteral("LabelTime"),
                                              QStringLiteral("Setup Time                      :"));
    auto *timeWords = named<AlignedCaption>(this, QStringLiteral("LabelTime1"), QStringLiteral("Hour       Minute"));
    ComboHour = numberCombo(this, QStringLiteral("ComboHour"), 0, 23);
    ComboHour->setGeometry(216, 204, 65, 25);
    nameField(ComboHour, QStringLiteral("Hour"));
    ComboMinute = numberCombo(this, QStringLiteral("ComboMinute"), 0, 59);
    ComboMinute->setGeometry(312, 204, 65, 25);
    nameField(ComboMinute, QStringLiteral("Minute"));
    alignCaptions(timeHeading, timeWords, ComboHour, ComboMinute);
    LabelTime = timeHeading;
    LabelTime1 = timeWords;

    ComKEY = named<QPushButton>(this, QStringLiteral("ComKEY"));
    ComKEY->setText(QStringLiteral("Select the key"));
    ComKEY->setGeometry(16, 256, 129, 33);
    ComYES = named<QPushButton>(this, QStringLiteral("ComYES"));
    ComYES->setText(QStringLiteral("OK"));
    ComYES->setGeometry(264, 256, 81, 33);
    ComYES->setDefault(true);
    ComNO = named<QPushButton>(this, QStringLiteral("ComNO"));
    ComNO->setText(QStringLiteral("Cancel"));
    ComNO->setGeometry(360, 256, 81, 33);

    tabReachesChecked(*this);

    connect(ComKEY, &QPushButton::clicked, this, &frmTimerIn::ComKEY_Click);
    connect(ComYES, &QPushButton::clicked, this, &frmTimerIn::ComYES_Click);
    connect(ComNO, &QPushButton::clicked, this, &frmTimerIn::reject);
}

void frmTimerIn::showFieldsFor(int cycle)
{
    if (cycle < 0 || cycle >= timer::CycleCount)
        return;
    const bool date = cycle == timer::SpecificCycle;
    const bool time = cycle != timer::DisabledCycle;
    ComKEY->setEnabled(cycle != timer::DisabledCycle);
    for (QWidget *w : std::initializer_list<QWidget *>{ComboMonth, ComboDay, LabelDate, LabelDate1})
        w->setVisible(date);
    for (QWidget *w : std::initializer_list<QWidget *>{ComboHour, ComboMinute, LabelTime, LabelTime1})
        w->setVisible(time);
}

void frmTimerIn::OptCycle_Click(int index)
{
    cycle_ = index;
    showFieldsFor(index);
}

void frmTimerIn::ComKEY_Click()
{
    if (openKeySelector)
        openKeySelector();
}

void frmTimerIn::ComYES_Click()
{
    g_.KeyLabel = Text_IN->text();

    // The working copy takes the fields before the label is checked; only the key page
    // decides whether the copy is kept.
    auto &rec = g_.TimerRecord;
    rec[timer::Cycle] = static_cast<Byte>(cycle_);
    storeEntry(rec[timer::Month], ComboMonth, 1);
    storeEntry(rec[timer::Day], ComboDay, 1);
    storeEntry(rec[timer::Hour], ComboHour, 0);
    storeEntry(rec[timer::Minute], ComboMinute, 0);

    // A name is stored as single bytes up to the first 255; one that would not read back
    // the same is refused rather than saved changed.
    const QString refusal = labelRefusal(g_.KeyLabel, false);
    if (!refusal.isEmpty()) {
        g_.DialogResult = ui_.warn(this, refusal);
        return;
    }
    accept();
}

void frmTimerIn::reject()
{
    g_.EditResult = 0;
    g_.KeyLabel.clear();
    g_.DialogResult = answer::Cancel;
    QDialog::reject();
}

}  // namespace quillet
