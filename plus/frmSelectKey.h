#pragma once

#include <QDialog>

#include <array>
#include <memory>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quillet {

struct Globals;
class KeyBox;
class KeyFaces;
class PageBox;
class UiServices;

// Key selector: points at the key a timer sends (PlusKind 0) or that one macro step
// presses (PlusKind 1, step StepNo). OK writes TimerRecord bytes 5..9 or the step's two
// bytes of MacroRecord; Cancel writes nothing and sets StepNo to 0.
// EditResult 0 means ReView: the stored choice is only shown.
class frmSelectKey : public QDialog {
    Q_OBJECT
public:
    frmSelectKey(Globals &g, UiServices &ui, QWidget *parent = nullptr);
    ~frmSelectKey() override;

    QComboBox *ComboBANK = nullptr;
    QLabel *LabelBANK = nullptr;
    std::array<QLabel *, 4> LabelPAGE{};
    std::array<PageBox *, 4> PicPAGE1{};
    std::array<KeyBox *, 35> PicKEY{};
    QFrame *Picture1 = nullptr;   // the "Rubber Key" panel
    std::array<QToolButton *, 7> OptKEY{};
    QGroupBox *FrameMODE = nullptr;
    QRadioButton *OptMENU = nullptr;    // "DEVICE"
    QRadioButton *OptMACRO = nullptr;   // "MACRO"
    QComboBox *ComboDELAY = nullptr;
    QLabel *LabelDELAY = nullptr;
    QPushButton *ComYES = nullptr;
    QPushButton *ComNO = nullptr;

    // The selection: bank (10 = hot-macro keys), key (255 none), page or column, and
    // the two position bytes.
    int SelBank = 0;
    int SelKey = 255;
    int SelPage = 0;
    int SelLoc1 = 0;
    int SelLoc2 = 0;

    // The key whose face is drawn pressed, or -1.
    int pressedKey() const { return pressed_; }
    // The text entry of each key box, as last drawn.
    const std::array<QString, 35> &keyText() const { return KeyText; }
    // The bank each ComboBANK entry stands for.
    int bankOfEntry(int entry) const;

    void reject() override;   // Cancel, Escape and the window frame all cancel

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void showDevicePages();        // A
    void showHotMacroKeys();       // B
    void fillDeviceList();         // C
    void chooseDeviceKey(int i);   // D
    void chooseHotKey(int i);      // E
    void chooseRubberKey(int i);   // F
    void changeBank(int entry);    // G
    void chooseMacroMode();        // H
    void chooseDeviceMode();       // I
    void openForTimer();
    void openForMacroStep();
    void ComYES_Click();
    void PicKEY_Press(int i);

    void showBank(int bank);       // selects the bank's entry (or the first) and runs G
    void hideAllKeys();
    void clearRubberKeys();
    void enableRubberKeys();
    void pressKey(int i);
    void markChosen();   // the pressed key checked, for a screen reader

    Globals &g_;
    UiServices &ui_;
    std::unique_ptr<KeyFaces> faces_;
    QButtonGroup *rubber_ = nullptr;
    std::array<QString, 35> KeyText;
    int pressed_ = -1;
};

// Opens the key selector modally over `owner`, for the exchange values in `g`.
void runKeySelector(Globals &g, UiServices &ui, QWidget *owner);

}  // namespace quillet
