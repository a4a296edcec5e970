#pragma once

#include <QDialog>
#include <QPixmap>
#include <array>
#include <string>

#include "texts/CaptionSink.h"

class ClickableImage;
class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The picture file of a function icon code: 1..8 the functions switched off (function, horn,
// coupling, coach light, light, steam, direction, slow), 11..18 the same switched on; 0, 9, 10, 19
// and 20 are empty. Any other code (a damaged settings file) is shown empty too, with a debug line.
std::string flookup(int code);

// A picture of the data folder by its file name, found without regard to case. Throws
// BitmapFileError when it is missing or unreadable.
QPixmap dataPicture(const std::string& name);

// The loco setup dialog: edits the loco slot of one throttle (address, name, maximum speed,
// protocol, the icons of F1..F4 and what joystick buttons 3 and 4 switch). Created at program start
// and alive for the whole run; setuplok fills it from a slot and shows it. GUI thread only.
class TLocoForm : public QDialog, public CaptionSink {
    Q_OBJECT
public:
    explicit TLocoForm(QWidget* parent = nullptr);
    ~TLocoForm() override;

    // Fills the dialog from the slot of throttle N (0..9) and shows it modally; returns the
    // dialog's result (1 saved, 0 cancelled). A throttle outside 0..9 opens nothing.
    int setuplok(int N);

    void FormCreate();
    // Save: stores the slot, writes the settings file, prepares the ten throttles, closes. An
    // address or maximum speed that is not an integer throws ConversionError before anything is
    // stored; the dialog then stays open, as it does after any failure.
    void Fertig_buttonClick();
    void Cancel_buttonClick();
    void RadioButton3Click();
    void RadioButton4Click();
    void RadioGroup2Click();
    void RadioGroup1Click();
    // Func_image1Click .. Func_image8Click: picks the palette icon of code (1..8).
    void Func_imageClick(int code);
    // Func1MouseDown .. Func4MouseDown: a press on function key k (1..4).
    void FuncMouseDown(int k, Qt::MouseButton button);
    void K3CBChange();
    void K4CBChange();
    void Zeigen_buttonClick();

    // CaptionSink: labels, buttons and group boxes by object name.
    void setCaption(const std::string& objectName, const std::string& text) override;

    // The item of a radio group's buttons, -1 for none; setting an item checks its button.

    // ---- fields ----
    // The Märklin/Motorola family is chosen (else DCC).
    bool Mm = true;
    // Pending icon codes of F1..F4 and of joystick buttons 1..4 (0: none).
    int Storefunc1 = 0, Storefunc2 = 0, Storefunc3 = 0, Storefunc4 = 0;
    int Storejb1 = 0, Storejb2 = 0, Storejb3 = 0, Storejb4 = 0;
    // Code of the palette icon picked last and not yet dropped (0: none).
    int Zwischenfunc = 0;
    // The chosen items of K3CB and K4CB (-1: the text is no item).
    int K3index = 0, K4index = 0;

    // ---- controls ----
    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QLabel* Maerklin_label = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QLabel* DCC_label = nullptr;
    // Items M1..M5 (RadioGroup2) and Basis, N1..N5 (RadioGroup1), one visible at a time.
    QGroupBox* RadioGroup2 = nullptr;
    QButtonGroup* RadioGroup2Items = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioGroup1Items = nullptr;
    QLabel* Adresse_label = nullptr;
    QLineEdit* Adresse_edit = nullptr;
    QLabel* Beschreibung_label = nullptr;
    QLineEdit* Beschreibung_edit = nullptr;
    QLabel* Vmax_label = nullptr;
    QLineEdit* Vmax_edit = nullptr;
    // Func0 exists but stays hidden.
    ClickableImage *Func0 = nullptr, *Func1 = nullptr, *Func2 = nullptr, *Func3 = nullptr, *Func4 = nullptr;
    // The palette: Func_image[code] for code 1..8 (index 0 unused).
    std::array<ClickableImage*, 9> Func_image{};
    QLabel* Joystick_label = nullptr;
    ClickableImage *Joy1 = nullptr, *Joy2 = nullptr, *Joy3 = nullptr, *Joy4 = nullptr;
    QComboBox* K3CB = nullptr;
    QComboBox* K4CB = nullptr;
    QPushButton* Fertig_button = nullptr;
    QPushButton* Cancel_button = nullptr;
    QPushButton* Zeigen_button = nullptr;
    QLabel* Label6 = nullptr;

private:
    void buildControls();
    // Function key k (1..4), its pending code, joystick key k and its pending code.
    ClickableImage* funcKey(int k) const;
    int& storefunc(int k);
    ClickableImage* joyKey(int k) const;
    int& storejb(int k);
    // Joystick key 3 or 4 from the slot being edited.
    void loadJoystickKey(int key, int slot);
    // K3CBChange and K4CBChange for key 3 or 4.
    void joystickComboChange(int key);
    void setFunctionGroupVisible(bool visible);
    // Stores the edits into slot N; false (nothing stored) when they do not make a loco.
    bool storeSlot(int N);

    // The function group: the widgets shown exactly when the chosen decoder has functions.
    std::vector<QWidget*> m_functionGroup;
    // The palette icon picked with Zwischenfunc.
    QPixmap m_pickedPicture;
};

extern TLocoForm* LocoForm;
