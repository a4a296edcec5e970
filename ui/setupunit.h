#pragma once

#include <QDialog>
#include <optional>

#include "engine/SettingsFile.h"
#include "texts/CaptionSink.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

// The settings dialog of Setup > IP Addr/Host: connection, transport, joystick module, language,
// assistant, power and bus numbers. Created at program start and alive for the whole run; the main
// window fills it, shows it and takes the settings back. GUI thread only.
class TSetupForm : public QDialog, public CaptionSink {
    Q_OBJECT
public:
    explicit TSetupForm(QWidget* parent = nullptr);
    ~TSetupForm() override;

    // Fills the controls from settings. The joystick module can be chosen only with DirectX, the
    // transport only while no connection is open (the commands read the transport at once, so a
    // change would send them down the other one).
    void showSettings(const TSettingsFields& settings, bool Dxpresent, bool connectionOpen);
    // The host and the port as confirmed: each only when its field is not empty.
    void takeHostAndPort(TSettingsFields& settings) const;
    // The other settings as confirmed; a language or assistant choice left empty keeps its value,
    // and without DirectX the joystick module is always the Windows one.
    void takeSettings(TSettingsFields& settings, bool Dxpresent) const;

    // Every show: the assistant option and its labels in the main window's language, the first tab.
    void FormShow();
    // Save: the port must be empty (kept) or a number the three connections can use, else the
    // dialog stays open with message 140 and nothing is taken.
    void accept() override;

    // CaptionSink: the labels, buttons and the window's title.
    void setCaption(const std::string& objectName, const std::string& text) override;

    // ---- controls ----
    QTabWidget* PC1 = nullptr;
    QWidget* TS1 = nullptr;
    QWidget* TS2 = nullptr;
    QLabel* Labelhost = nullptr;
    QLineEdit* Edithost = nullptr;
    QLineEdit* Editport = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Infokanal_label = nullptr;
    QLabel* LabelSRCPVersion = nullptr;
    QGroupBox* RGSrcp = nullptr;
    QButtonGroup* RGSrcpItems = nullptr;
    QLabel* LabelJoymod = nullptr;
    QGroupBox* RGDirectX = nullptr;
    QButtonGroup* RGDirectXItems = nullptr;
    QLabel* Labellang = nullptr;
    QComboBox* CBLang = nullptr;
    QLabel* Assist1_label = nullptr;
    QLabel* Assist2_label = nullptr;
    QGroupBox* RGAssist = nullptr;
    QButtonGroup* RGAssistItems = nullptr;
    QCheckBox* cbPower = nullptr;
    QCheckBox* cbAutoPower = nullptr;
    QSpinBox *udMMLoco = nullptr, *udNMRAsLoco = nullptr, *udNMRAlLoco = nullptr, *udMMSol = nullptr,
             *udNMRASol = nullptr, *udS88 = nullptr, *udPower = nullptr;
    QPushButton* Ok_button = nullptr;
    QPushButton* Cancel_button = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    // The port field: nothing when it is empty; otherwise its number when that lies in 1..65533
    // (the connections use P, P + 1 and P + 2), else -1.
    std::optional<int> portField() const;
    // The bus-number controls with the fields they show, in the order of the settings file.
    struct BusControl {
        QSpinBox* TSetupForm::*control;
        int TSettingsFields::*field;
    };
    static const BusControl kBusControls[7];
};

extern TSetupForm* SetupForm;
