// "Communication Port": setup.inf, the dialog, and which device a port number opens.

#include "app/ScriptedUiServices.h"
#include "core/Globals.h"
#include "link/PortBinding.h"
#include "link/frmSETUP.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace quillet;

namespace {

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contents);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

}  // namespace

class TestPortSetup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();


    void dialogShowsThePortFromTheFile();
    void optionClicksChangeThePortAtOnce();
    void portThreeShowsNeitherOption();
    void missingFileGivesFileError();
    void unwritableFileIsReported();

    void portNumbersMapToDevices();
    void listBindsTheChosenPort();
    void openFailureText();

private:
    QTemporaryDir settingsDir_;
    std::unique_ptr<QTemporaryDir> appDir_;
};

void TestPortSetup::initTestCase()
{
    QVERIFY(settingsDir_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
}

void TestPortSetup::init()
{
    appDir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(appDir_->isValid());
    for (int n : {1, 2, 3})
        bindPortDevice(n, QString());
}

void TestPortSetup::dialogShowsThePortFromTheFile()
{
    writeFile(appDir_->filePath(QStringLiteral("setup.inf")), "Com Port: 2\r\n");
    Globals g;
    g.AppDir = appDir_->path();
    g.ComPort = 1;
    ScriptedUiServices ui;
    frmSETUP dialog(g, ui);
    QCOMPARE(dialog.objectName(), QStringLiteral("frmSETUP"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Communication Port"));
    QCOMPARE(dialog.Label1->text(), QStringLiteral("Quillet"));
    QCOMPARE(dialog.Label2->text(), QStringLiteral("Communication Port Setup"));
    QCOMPARE(dialog.Frame1->title(), QStringLiteral("Communication Port"));
    QCOMPARE(dialog.Option1->text(), QStringLiteral("COM  1"));
    QCOMPARE(dialog.Option2->text(), QStringLiteral("COM  2"));
    QCOMPARE(dialog.ComOK->text(), QStringLiteral("OK"));
    for (const char *name : {"Label1", "Label2", "Frame1", "Option1", "Option2", "ComOK", "List1"})
        QVERIFY2(dialog.findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(g.ComPort, 2);
    QVERIFY(dialog.Option2->isChecked());
    QVERIFY(!dialog.Option1->isChecked());
    QVERIFY(ui.shown.isEmpty());
}

void TestPortSetup::optionClicksChangeThePortAtOnce()
{
    const QString file = appDir_->filePath(QStringLiteral("setup.inf"));
    writeFile(file, "Com Port: 2\r\n");
    Globals g;
    g.AppDir = appDir_->path();
    ScriptedUiServices ui;
    {
        frmSETUP dialog(g, ui);
        dialog.show();
        QTest::mouseClick(dialog.Option1, Qt::LeftButton);
        QCOMPARE(g.ComPort, 1);
        QVERIFY(dialog.Option1->isChecked());
        QVERIFY(!dialog.Option2->isChecked());
        // Closed without OK: the choice stays for the next transfer, the file does not change.
        dialog.close();
    }
    QCOMPARE(g.ComPort, 1);
    QCOMPARE(readFile(file), QByteArray("Com Port: 2\r\n"));

    frmSETUP again(g, ui);
    QCOMPARE(g.ComPort, 2);   // read from the file again on opening
    again.show();
    QTest::mouseClick(again.Option1, Qt::LeftButton);
    QTest::mouseClick(again.Option2, Qt::LeftButton);
    QTest::mouseClick(again.Option1, Qt::LeftButton);
    QCOMPARE(g.ComPort, 1);
    QTest::mouseClick(again.ComOK, Qt::LeftButton);
    QCOMPARE(readFile(file), QByteArray("Com Port: 1\r\n"));
    QVERIFY(!again.isVisible());
    QVERIFY(ui.shown.isEmpty());
}

void TestPortSetup::portThreeShowsNeitherOption()
{
    writeFile(appDir_->filePath(QStringLiteral("setup.inf")), "Com Port: 3\r\n");
    Globals g;
    g.AppDir = appDir_->path();
    ScriptedUiServices ui;
    frmSETUP dialog(g, ui);
    QCOMPARE(g.ComPort, 3);
    QVERIFY(!dialog.Option1->isChecked());
    QVERIFY(!dialog.Option2->isChecked());
    // The list offers port 3's own device.
    QCOMPARE(dialog.List1->item(0)->text(), QStringLiteral("Standard device: /dev/ttyS2"));
}

void TestPortSetup::missingFileGivesFileError()
{
    Globals g;
    g.AppDir = appDir_->path();
    g.ComPort = 2;
    ScriptedUiServices ui;
    frmSETUP dialog(g, ui);
    QCOMPARE(ui.shown.size(), 1);
    QCOMPARE(ui.shown[0].text, QStringLiteral("file error"));
    QCOMPARE(ui.shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(ui.shown[0].icon, MsgIcon::None);
    QCOMPARE(ui.shown[0].buttons, MsgButtons::OK);
    QCOMPARE(g.ComPort, 2);
    QVERIFY(!dialog.Option1->isChecked());
    QVERIFY(!dialog.Option2->isChecked());
}

void TestPortSetup::unwritableFileIsReported()
{
    // A folder where the file should be: it can be neither read nor replaced.
    QVERIFY(QDir(appDir_->path()).mkdir(QStringLiteral("setup.inf")));
    Globals g;
    g.AppDir = appDir_->path();
    g.ComPort = 1;
    ScriptedUiServices ui;
    frmSETUP dialog(g, ui);
    dialog.show();
    QCOMPARE(ui.texts(), QStringList{QStringLiteral("file error")});
    QTest::mouseClick(dialog.ComOK, Qt::LeftButton);
    QCOMPARE(ui.shown.size(), 2);
    QCOMPARE(ui.shown[1].title, QStringLiteral("Warning"));
    QCOMPARE(ui.shown[1].icon, MsgIcon::Warning);
    QVERIFY(ui.shown[1].text.contains(QStringLiteral("setup.inf")));
    QVERIFY(!dialog.isVisible());
}

void TestPortSetup::portNumbersMapToDevices()
{
    QCOMPARE(defaultPortDevice(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(defaultPortDevice(2), QStringLiteral("/dev/ttyS1"));
    QCOMPARE(defaultPortDevice(0), QString());
    QCOMPARE(portDevice(1), QStringLiteral("/dev/ttyS0"));
    bindPortDevice(1, QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(portDevice(1), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(portDevice(2), QStringLiteral("/dev/ttyS1"));
    QSettings settings(QStringLiteral("Quillet"), QStringLiteral("Quillet"));
    QCOMPARE(settings.value(QStringLiteral("Settings/PortDevice1")).toString(), QStringLiteral("/dev/ttyUSB0"));
    bindPortDevice(1, QString());
    QCOMPARE(portDevice(1), QStringLiteral("/dev/ttyS0"));
    QVERIFY(!settings.contains(QStringLiteral("Settings/PortDevice1")));
}

void TestPortSetup::listBindsTheChosenPort()
{
    const QString file = appDir_->filePath(QStringLiteral("setup.inf"));
    writeFile(file, "Com Port: 1\r\n");
    Globals g;
    g.AppDir = appDir_->path();
    ScriptedUiServices ui;
    frmSETUP dialog(g, ui);
    dialog.show();
    QCOMPARE(dialog.List1->currentRow(), 0);
    QCOMPARE(dialog.List1->item(0)->text(), QStringLiteral("Standard device: /dev/ttyS0"));

    // A device typed in (a simulator's terminal) binds port 1 and shows in the list.
    dialog.Text1->setText(QStringLiteral("/dev/pts/77"));
    QTest::keyClick(dialog.Text1, Qt::Key_Return);
    QVERIFY(dialog.isVisible());   // Enter there does not close the dialog
    QCOMPARE(boundPortDevice(1), QStringLiteral("/dev/pts/77"));
    QCOMPARE(dialog.List1->currentItem()->text(), QStringLiteral("/dev/pts/77 (not present now)"));
    // A pseudo-terminal that is there is never listed as a serial port, yet it is present.
    const int pty = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(pty >= 0);
    const QString ptyPath = QString::fromLocal8Bit(ptsname(pty));
    dialog.Text1->setText(ptyPath);
    QTest::keyClick(dialog.Text1, Qt::Key_Return);
    QCOMPARE(dialog.List1->currentItem()->text(), ptyPath);
    ::close(pty);
    dialog.Text1->setText(QStringLiteral("/dev/pts/77"));
    QTest::keyClick(dialog.Text1, Qt::Key_Return);

    // Port 2 has its own binding.
    QTest::mouseClick(dialog.Option2, Qt::LeftButton);
    QCOMPARE(dialog.List1->currentRow(), 0);
    QCOMPARE(dialog.List1->item(0)->text(), QStringLiteral("Standard device: /dev/ttyS1"));
    QVERIFY(dialog.Text1->text().isEmpty());

    // Back on port 1, choosing the standard device removes the binding.
    QTest::mouseClick(dialog.Option1, Qt::LeftButton);
    QCOMPARE(dialog.Text1->text(), QStringLiteral("/dev/pts/77"));
    QListWidgetItem *standard = dialog.List1->item(0);
    QTest::mouseClick(dialog.List1->viewport(), Qt::LeftButton, {},
                      dialog.List1->visualItemRect(standard).center());
    QCOMPARE(boundPortDevice(1), QString());
    // The file holds only the number.
    QTest::mouseClick(dialog.ComOK, Qt::LeftButton);
    QCOMPARE(readFile(file), QByteArray("Com Port: 1\r\n"));
}

void TestPortSetup::openFailureText()
{
    const QString denied = portOpenFailureText(1, QStringLiteral("/dev/ttyUSB0"), QStringLiteral("Permission denied"),
                                               PortRefusal::JoinGroup, QStringLiteral("uucp"));
    QVERIFY(denied.startsWith(QStringLiteral("The serial port \"/dev/ttyUSB0\" (port 1) cannot be opened: "
                                             "Permission denied.")));
    QVERIFY(denied.contains(QStringLiteral("\"uucp\"")));
    QVERIFY(portOpenFailureText(1, QStringLiteral("/dev/ttyS0"), QStringLiteral("Permission denied"),
                                PortRefusal::JoinGroup, QString())
                .contains(QStringLiteral("\"dialout\"")));
    // A group that may not use the device either is no advice.
    const QString noGroup = portOpenFailureText(1, QStringLiteral("/dev/ttyS0"), QStringLiteral("Permission denied"),
                                                PortRefusal::NoAccess, QStringLiteral("root"));
    QVERIFY(!noGroup.contains(QStringLiteral("group")));
    QVERIFY(noGroup.contains(QStringLiteral("ask your administrator")));
    // A lock held by another program is not a permission the user lacks.
    QCOMPARE(portOpenFailureText(2, QStringLiteral("/dev/ttyS1"), QStringLiteral("Permission error while locking the device"),
                                 PortRefusal::InUse, QString()),
             QStringLiteral("The serial port \"/dev/ttyS1\" (port 2) is in use by another program. Close that program, "
                            "or choose another port."));
    const QString other = portOpenFailureText(2, QStringLiteral("/dev/ttyS1"),
                                              QStringLiteral("Device or resource busy"), PortRefusal::Other, QString());
    QCOMPARE(other, QStringLiteral("The serial port \"/dev/ttyS1\" (port 2) cannot be opened: Device or resource busy."));
}

QTEST_MAIN(TestPortSetup)
#include "tst_portsetup.moc"
