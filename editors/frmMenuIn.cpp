#include "editors/frmMenuIn.h"

#include "app/KeyboardAccess.h"
#include "app/UiServices.h"
#include "core/Globals.h"
#include "editors/LabelRules.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillet {

frmMenuIn::frmMenuIn(Globals &g, UiServices &ui, QWidget *parent)
    : QDialog(parent)
    , g_(g)
    , ui_(ui)
{
    setObjectName(QStringLiteral("frmMenuIn"));
    setWindowTitle(QStringLiteral("Input Device Name"));

    Label1 = new QLabel(QStringLiteral("Input Device Name"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Text_IN = new QLineEdit(this);
    Text_IN->setObjectName(QStringLiteral("Text_IN"));
    Text_IN->setAccessibleName(Label1->text());
    Text_IN->setMinimumWidth(220);

    Frame1 = new QGroupBox(QStringLiteral("Attribution"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(Frame1);
    for (size_t i = 0; i < Attributions.size(); ++i) {
        const Attribution &a = Attributions[i];
        auto *o = new QRadioButton(QString::fromLatin1(a.caption), Frame1);
        o->setObjectName(QString::fromLatin1(a.option));
        const int code = a.code;
        connect(o, &QRadioButton::toggled, this, [this, code](bool on) {
            if (on)
                g_.ChosenAttribution = code;
        });
        grid->addWidget(o, static_cast<int>(i) / 4, static_cast<int>(i) % 4);
        options[i] = o;
    }
    tabReachesChecked(*this);

    Label2 = new QLabel(QStringLiteral("Select the attribution in order to load the Default data."), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    ComYES = new QPushButton(QStringLiteral("OK"), this);
    ComYES->setObjectName(QStringLiteral("ComYES"));
    ComYES->setDefault(true);
    ComNO = new QPushButton(QStringLiteral("Cancel"), this);
    ComNO->setObjectName(QStringLiteral("ComNO"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ComYES);
    buttons->addWidget(ComNO);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Text_IN);
    layout->addWidget(Frame1);
    layout->addWidget(Label2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ComYES, &QPushButton::clicked, this, &frmMenuIn::ComYES_Click);
    connect(ComNO, &QPushButton::clicked, this, &frmMenuIn::reject);

    g_.EditResult = 1;
    Text_IN->setText(g_.KeyLabel);
    Text_IN->setFocus();
    // The bank's present kind, or TV when it has none of the eight.
    size_t chosen = 0;
    for (size_t i = 0; i < Attributions.size(); ++i)
        if (Attributions[i].code == g_.ChosenAttribution)
            chosen = i;
    options[chosen]->setChecked(true);
    g_.ChosenAttribution = Attributions[chosen].code;
}

void frmMenuIn::ComYES_Click()
{
    g_.KeyLabel = Text_IN->text();
    const QString refusal = labelRefusal(g_.KeyLabel, false);
    if (!refusal.isEmpty()) {
        g_.DialogResult = ui_.warn(this, refusal);
        return;
    }
    g_.EditResult = 1;
    QDialog::accept();
}

void frmMenuIn::reject()
{
    g_.EditResult = 0;
    g_.KeyLabel.clear();
    g_.ChosenAttribution = 0;
    g_.DialogResult = 2;
    QDialog::reject();
}

}  // namespace quillet
