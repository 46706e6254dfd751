#include "link/frmSETUP.h"

#include "app/KeyboardAccess.h"
#include "app/UiServices.h"
#include "core/Globals.h"
#include "core/SetupFile.h"
#include "link/PortBinding.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace quillet {

namespace {

constexpr int DeviceRole = Qt::UserRole;

}  // namespace

frmSETUP::frmSETUP(Globals &g, UiServices &ui, QWidget *parent) : QDialog(parent), g_(g), ui_(ui)
{
    setObjectName(QStringLiteral("frmSETUP"));
    setModal(true);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title = Label1->font();
    title.setPointSize(title.pointSize() + 6);
    title.setBold(true);
    Label1->setFont(title);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Option1 = new QRadioButton(QStringLiteral("COM  1"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("COM  2"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    tabReachesChecked(*this);
    Label3 = new QLabel(QStringLiteral("Serial device of this port:"), Frame1);
    Label3->setObjectName(QStringLiteral("Label3"));
    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setMinimumWidth(380);
    Label4 = new QLabel(QStringLiteral("Other device (press Enter to use it):"), Frame1);
    Label4->setObjectName(QStringLiteral("Label4"));
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label3->setBuddy(List1);
    List1->setAccessibleName(Label3->text());
    Label4->setBuddy(Text1);

    auto *frameLayout = new QVBoxLayout(Frame1);
    auto *options = new QHBoxLayout;
    options->addWidget(Option1);
    options->addWidget(Option2);
    options->addStretch(1);
    frameLayout->addLayout(options);
    frameLayout->addWidget(Label3);
    frameLayout->addWidget(List1);
    frameLayout->addWidget(Label4);
    frameLayout->addWidget(Text1);

    ComOK = new QPushButton(this);
    ComOK->setObjectName(QStringLiteral("ComOK"));
    ComOK->setDefault(true);
    // Enter in the device field binds the device; it must not close the dialog.
    Text1->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Frame1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ComOK);
    layout->addLayout(buttons);

    connect(Option1, &QRadioButton::clicked, this, &frmSETUP::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &frmSETUP::Option2_Click);
    connect(ComOK, &QPushButton::clicked, this, &frmSETUP::ComOK_Click);
    connect(List1, &QListWidget::itemClicked, this, &frmSETUP::List1_Click);
    connect(List1, &QListWidget::itemActivated, this, &frmSETUP::List1_Click);

    Form_Load();
}

void frmSETUP::Form_Load()
{
    setWindowTitle(QStringLiteral("Communication Port"));
    Label1->setText(QStringLiteral("Quillet"));
    Label2->setText(QStringLiteral("Communication Port Setup"));
    Frame1->setTitle(QStringLiteral("Communication Port"));
    ComOK->setText(QStringLiteral("OK"));

    QString error;
    if (!ReadComPort(g_, &error)) {
        fillDeviceList();
        ui_.message(parentWidget(), QStringLiteral("file error"), QStringLiteral("Warning"), MsgIcon::None,
                    MsgButtons::OK);
        return;
    }
    // Selecting an option from here runs its click handler, as a click would.
    if (g_.ComPort == 1)
        Option1_Click();
    else if (g_.ComPort == 2)
        Option2_Click();
    fillDeviceList();
}

void frmSETUP::Option1_Click()
{
    g_.ComPort = 1;
    Option1->setChecked(true);
    Option2->setChecked(false);
    fillDeviceList();
}

void frmSETUP::Option2_Click()
{
    g_.ComPort = 2;
    Option2->setChecked(true);
    Option1->setChecked(false);
    fillDeviceList();
}

void frmSETUP::ComOK_Click()
{
    QString error;
    if (!WriteComPort(g_, &error))
        ui_.warn(this, error);
    accept();
}

void frmSETUP::fillDeviceList()
{
    filling_ = true;
    List1->clear();
    const int port = g_.ComPort;
    const QString bound = boundPortDevice(port);
    const QString standard = defaultPortDevice(port);

    auto add = [this](const QString &text, const QString &device) {
        auto *item = new QListWidgetItem(text, List1);
        item->setData(DeviceRole, device);
        return item;
    };
    QListWidgetItem *current = add(standard.isEmpty() ? QStringLiteral("Standard device: none for port %1").arg(port)
                                                      : QStringLiteral("Standard device: %1").arg(standard),
                                   QString());
    bool boundListed = bound.isEmpty();
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        const QString device = info.systemLocation();
        QString text = device;
        QStringList about;
        if (!info.description().isEmpty())
            about << info.description();
        if (!info.manufacturer().isEmpty() && !info.description().contains(info.manufacturer()))
            about << info.manufacturer();
        if (!about.isEmpty())
            text += QStringLiteral(" \u2014 ") + about.join(QStringLiteral(", "));
        QListWidgetItem *item = add(text, device);
        if (!bound.isEmpty() && device == bound) {
            current = item;
            boundListed = true;
        }
    }
    // A binding the system does not list stays visible: a pseudo-terminal that is there,
    // or a device that is not (unplugged, or a simulator that has ended).
    if (!boundListed)
        current = add(portDevicePresent(bound) ? bound : QStringLiteral("%1 (not present now)").arg(bound), bound);
    List1->setCurrentItem(current);
    Text1->setText(bound);
    filling_ = false;
}

void frmSETUP::List1_Click(QListWidgetItem *item)
{
    if (filling_ || !item)
        return;
    bindPortDevice(g_.ComPort, item->data(DeviceRole).toString());
    Text1->setText(boundPortDevice(g_.ComPort));
}

bool frmSETUP::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Text1_Enter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmSETUP::Text1_Enter()
{
    bindPortDevice(g_.ComPort, Text1->text());
    fillDeviceList();
}

}  // namespace quillet
