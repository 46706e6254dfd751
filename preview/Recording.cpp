// Recording a hot macro by pressing the keys of the remote shown.

#include "preview/frmPreview.h"

#include "app/UiServices.h"
#include "app/frmMain.h"
#include "core/Globals.h"
#include "core/ImageReading.h"
#include "core/RecordLayout.h"
#include "core/TextCodec.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

void frmPreview::buildRecordPanel(QWidget *parent, QVBoxLayout *col)
{
    cmdRecord = new QPushButton(QStringLiteral("Record"), parent);
    cmdRecord->setObjectName(QStringLiteral("cmdRecord"));
    connect(cmdRecord, &QPushButton::clicked, this, &frmPreview::recordClicked);
    col->addWidget(cmdRecord, 0, Qt::AlignLeft);

    fraRecording = new QFrame(parent);
    fraRecording->setObjectName(QStringLiteral("fraRecording"));
    fraRecording->setFrameStyle(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(fraRecording);
    auto *title = new QLabel(QStringLiteral("&Recorded steps:"), fraRecording);
    lstRecording = new QListWidget(fraRecording);
    lstRecording->setObjectName(QStringLiteral("lstRecording"));
    lstRecording->setAccessibleName(QStringLiteral("Recorded steps"));
    title->setBuddy(lstRecording);
    layout->addWidget(title);
    layout->addWidget(lstRecording);

    auto *form = new QFormLayout;
    auto *macroLabel = new QLabel(QStringLiteral("Save as &hot macro:"), fraRecording);
    cboRecordMacro = new QComboBox(fraRecording);
    cboRecordMacro->setObjectName(QStringLiteral("cboRecordMacro"));
    cboRecordMacro->setAccessibleName(QStringLiteral("Save as hot macro"));
    macroLabel->setBuddy(cboRecordMacro);
    auto *nameLabel = new QLabel(QStringLiteral("&Name:"), fraRecording);
    txtRecordName = new QLineEdit(fraRecording);
    txtRecordName->setObjectName(QStringLiteral("txtRecordName"));
    txtRecordName->setAccessibleName(QStringLiteral("Name"));
    txtRecordName->setMaxLength(20);   // as the macro editor allows
    nameLabel->setBuddy(txtRecordName);
    form->addRow(macroLabel, cboRecordMacro);
    form->addRow(nameLabel, txtRecordName);
    layout->addLayout(form);

    auto *buttons = new QHBoxLayout;
    cmdSave = new QPushButton(QStringLiteral("Save"), fraRecording);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdDiscard = new QPushButton(QStringLiteral("Discard"), fraRecording);
    cmdDiscard->setObjectName(QStringLiteral("cmdDiscard"));
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdDiscard);
    layout->addLayout(buttons);
    col->addWidget(fraRecording);
    fraRecording->hide();

    connect(cmdSave, &QPushButton::clicked, this, &frmPreview::saveRecording);
    connect(cmdDiscard, &QPushButton::clicked, this, &frmPreview::discardRecording);
    // Enter in the name saves, as a dialog's OK would.
    connect(txtRecordName, &QLineEdit::returnPressed, this, &frmPreview::saveRecording);
}

void frmPreview::pressed(const KeyPress &press)
{
    const int before = static_cast<int>(recorder_.steps().size());
    switch (recorder_.press(press)) {
    case MacroRecorder::Outcome::Idle:
        log(press.text());
        if (!press.note.isEmpty())
            log(QStringLiteral("  note: ") + press.note);
        return;
    case MacroRecorder::Outcome::Refused:
        log(QStringLiteral("Not recorded: ") + press.text());
        return;
    case MacroRecorder::Outcome::Recorded:
        log(QStringLiteral("Step %1: %2").arg(before + 1).arg(press.text()));
        return;
    case MacroRecorder::Outcome::Full:
        log(QStringLiteral("Step %1: %2").arg(before + 1).arg(press.text()));
        log(QStringLiteral("%1 steps, as many as a hot macro holds: recording stopped.").arg(MaxSteps));
        recordingStopped();
        return;
    }
}

void frmPreview::recordClicked()
{
    if (recording()) {
        recorder_.stop();
        recordingStopped();
        return;
    }
    if (!model_ || model_->isModel())
        return;
    stop();
    recorder_.start();
    fraRecording->hide();
    lstRecording->clear();
    cmdRecord->setText(QStringLiteral("Stop Recording"));
    setScreen(screen_);
    log(QStringLiteral("Recording: each key pressed on the remote is a step; menu buttons and PAGE keys only "
                       "move between pages."));
}

void frmPreview::recordingStopped()
{
    cmdRecord->setText(QStringLiteral("Record"));
    setScreen(screen_);
    const std::vector<MacroRecorder::Step> &steps = recorder_.steps();
    if (steps.empty()) {
        log(QStringLiteral("Nothing was recorded."));
        return;
    }
    // The timeline as the remote will play it: each step after the delays before it.
    lstRecording->clear();
    int at = 0;
    for (const MacroRecorder::Step &s : steps) {
        lstRecording->addItem(QStringLiteral("+%1 s %2 · then %3")
                                  .arg(at / 1000.0, 0, 'f', 1)
                                  .arg(s.text, delayText(s.delayCode)));
        at += stepWaitMs(s.delayCode).value_or(0);
    }
    lstRecording->setCurrentRow(0);
    cboRecordMacro->clear();
    int firstFree = -1;
    for (int k = 0; k < HotKeyCount; ++k) {
        const QString name = trimmedBoth(macroNames_[static_cast<size_t>(k)]);
        const bool used = model_ && (!model_->reading().macros[static_cast<size_t>(k)].steps.empty() || !name.isEmpty());
        if (!used && firstFree < 0)
            firstFree = k;
        cboRecordMacro->addItem(name.isEmpty() ? QStringLiteral("Hot macro %1").arg(k + 1)
                                               : QStringLiteral("Hot macro %1 %2").arg(k + 1).arg(name));
    }
    cboRecordMacro->setCurrentIndex(std::max(0, firstFree));
    txtRecordName->clear();
    fraRecording->show();
    log(QStringLiteral("Recorded %1 steps, %2 s: check them, then Save or Discard.")
            .arg(steps.size())
            .arg(at / 1000.0, 0, 'f', 1));
}

void frmPreview::saveRecording()
{
    const std::vector<MacroRecorder::Step> &steps = recorder_.steps();
    if (steps.empty() || recording())
        return;
    // An upload reads the document while it runs: it must not change under it.
    if (ui_.backgroundHeld()) {
        ui_.warn(this, QStringLiteral("A transfer is running: save the recording when it has ended."));
        return;
    }
    if (g_.LoadedKind != 1) {
        ui_.warn(this, QStringLiteral("Hot macros are kept in a data file: open one to save the recording."));
        return;
    }
    const QString name = txtRecordName->text();
    if (trimmedBoth(name).isEmpty()) {
        ui_.warn(this, QStringLiteral("Please key in data."));
        txtRecordName->setFocus();
        return;
    }
    const int k = cboRecordMacro->currentIndex();
    if (k < 0 || k >= HotKeyCount)
        return;
    const size_t slot = static_cast<size_t>(k);
    // The same path as the hot-macro page: the working set from the image, one record
    // and its name changed, the working set back into the image.
    ReadMacros(g_.Image, g_);
    const QString old = trimmedBoth(g_.MacroNames[slot]);
    if (g_.MacroBuf[slot][0] != Empty || !old.isEmpty()) {
        const QString question = QStringLiteral("Hot macro %1 %2 is in use. Replace it with the recording?")
                                     .arg(k + 1)
                                     .arg(old.isEmpty() ? QStringLiteral("(no name)") : old);
        if (ui_.message(this, question, QStringLiteral("Warning"), MsgIcon::Warning, MsgButtons::YesNo) != 6)
            return;
    }
    g_.MacroBuf[slot] = recorder_.record(g_.MacroBuf[slot]);
    g_.MacroNames[slot] = fixedField(name);
    WriteMacros(g_.Image, g_);
    const int count = static_cast<int>(steps.size());
    recorder_.discard();
    fraRecording->hide();
    log(QStringLiteral("Saved %1 %2 as hot macro %3 %4.")
            .arg(count)
            .arg(count == 1 ? QStringLiteral("step") : QStringLiteral("steps"))
            .arg(k + 1)
            .arg(trimmedBoth(name)));
    commitDocumentChange(QStringLiteral("Record Hot Macro %1").arg(trimmedBoth(name)));
}

void frmPreview::discardRecording()
{
    const bool had = recording() || !recorder_.steps().empty();
    recorder_.discard();
    fraRecording->hide();
    cmdRecord->setText(QStringLiteral("Record"));
    setScreen(screen_);
    if (had)
        log(QStringLiteral("The recording is discarded."));
}

// The one place the preview changes the document, as an editor's OK does: everything that
// shows the document follows at once, and the change is one step of the undo history.
void frmPreview::commitDocumentChange(const QString &step)
{
    main_.documentChanged(step);
}

}  // namespace quillet
