#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/CommandOutput.h"
#include "engine/MainFormState.h"
#include "srcp/MoBaSRCP.h"
#include "texts/CaptionSink.h"
#include "ui/PaintBoxWidget.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QTimer;
class LineConnection;
class UpDown;

// The main window: the plan view with its scroll bars, the palette, the throttle and address panels,
// the menu, the status bar, and the program's run-time state (TMainFormState). Everything here runs
// on the GUI thread.
class TMainForm : public QMainWindow, public TMainFormState, public CaptionSink {
    Q_OBJECT
public:
    // Sets the global MainForm and runs FormCreate.
    explicit TMainForm(QWidget* parent = nullptr);
    // FormDestroy.
    ~TMainForm() override;

    // True when the global objects could not all be created; the program must then end.
    bool startupFailed() const { return m_startupFailed; }

    // ---- TMainFormState ----
    void debugLine(const std::string& utf8) override;
    void setStatusPanel(int panel, const std::string& utf8) override;
    void progressShow(int maximum) override;
    void progressSet(int position, const std::string& captionUtf8) override;
    void progressHide() override;
    bool writeQuarnText(TTextEntry& label) override;
    PaintBoxImage& paintBoxImage(PaintBox box) override;
    void showDecoderPanel(const DecoderPanelData& data) override;
    bool showerror(const std::string& msg) override;
    void setBusyCursor(bool busy) override;

    // ---- CaptionSink: the menu items and panels relabelled by the text table ----
    void setCaption(const std::string& objectName, const std::string& text) override;

    // ---- start, layout, painting, scrolling ----
    void FormCreate();
    void FormShow();
    void FormResize();
    void QuarnPaint();
    void HScrollBarChange();
    void VScrollBarChange();
    // Sizes the window to w - 5 by h - 35 pixels, frame included, and places it at the top, centred.
    void setscreen(int w, int h);
    // The client size that gives a window of the outer size frame with the frame extents given.
    static QSize clientSizeForFrame(QSize frame, QMargins extents);
    // Where a label's text box of size text at (x, y) lies on an image of size image, or nothing
    // when it lies wholly outside.
    static std::optional<QRect> labelBox(long long x, long long y, QSize text, QSize image);
    // The packed DirectX version, 0 when the detection failed or found none.
    unsigned testdx(const std::string& unused);

    // Hands Iphostchar and Ipport to the connections that exist (ports P, P+1, P+2).
    void applyConnectionSettings();

    // ---- menu states shared with the file and connection commands (QuarnMenus.cpp) ----
    void setStartMenuState();
    // A plan was made or opened: the plan commands come on, the screen menu goes off. Connect (and,
    // with "SRCP 0.80", Loco setup) only comes on while no connection is open, Feedback > Start only
    // while feedback is not being read.
    void setPlanMenuState();
    // True while the server connection is open: the "SRCP 0.73" command or info connection (the
    // feedback-poll connection is apart from it and does not count), or the "SRCP 0.80" client.
    bool connectionOpen() const;
    // True from a successful Feedback > Start until Feedback > Stop or the loss of the feedback
    // connection.
    bool feedbackRunning() const { return m_poll.online; }

    // A menu (its menu action) or a menu item by its object name; null for an unknown name. For the
    // text table's relabelling and for commands chosen by name; code that knows the item uses its
    // member below.
    QAction* menuAction(const std::string& objectName) const;
    std::string statusPanelText(int panel) const override;

    // ---- closing (QuarnStart.cpp) ----
    // True when the window may close; shows message 126 and refuses while the "SRCP 0.73" command
    // connection is open.
    bool FormCloseQuery();
    // File > End: closes the command and info connections, then the window.
    void Ende1Click();
    void FormDestroy();
    // Work that must run once the close is accepted, before the global objects are freed: stopping
    // and joining reader threads, closing connections. Runs in the order registered, once.
    void addShutdownHook(std::function<void()> hook);

    // ---- server connection (QuarnConnection.cpp) and feedback modules (QuarnFeedback.cpp) ----
    void Hostverbinden1Click();
    void Hosttrennen1Click();
    // What every disconnect ends with, whichever transport was connected: the menus, the status bar,
    // the clock window and the announcement flags go back to the disconnected state.
    void disconnectCommonTail();
    // The events of the "SRCP 0.80" client SRCPCl2, on the GUI thread. The two SRCPCl1 handlers
    // belong to no component.
    void SRCPCl2CmdLog(TMoBaSRCPClient& Sender, const std::string& text);
    void SRCPCl2InfoLog(TMoBaSRCPClient& Sender, const std::string& text);
    void SRCPCl2BusPowerChange(TMoBaSRCPClient& Sender, TMoBaSRCPBus* ABus);
    void SRCPCl2LocoChange(TMoBaSRCPClient& Sender, TMoBaSRCPLoco* ALoco);
    void SRCPCl2AccessoireChange(TMoBaSRCPClient& Sender, TMoBaSRCPSolenoid* ASolenoid);
    void SRCPCl2FeedbackChange(TMoBaSRCPClient& Sender, TMoBaSRCPFeedback* AFeedback);
    void SRCPCl2TimeChange(TMoBaSRCPClient& Sender);
    // The client lost the server (or was refused): the window goes back to the disconnected state.
    void SRCPCl2Disconnect(TMoBaSRCPClient& Sender);
    void SRCPCl1BusConfigChange(TMoBaSRCPClient& Sender, TMoBaSRCPBus* ABus);
    void SRCPCl1InfoLog(TMoBaSRCPClient& Sender, const std::string& text);
    void Abfragestarten1Click();
    void Abfragebeenden1Click();
    void Synchronize2Click();
    void Reset1Click();

    // ---- commands and the window's own menus (QuarnCommands.cpp) ----
    void Spannungan1Click();
    void Spannungaus1Click();
    void Initialisierung1Click();
    void Decoderprogrammieren1Click();
    void FreieBefehle1Click();
    void PowerTimerTimer();
    void Joystickcalibrieren1Click();
    void Assistent1Click();
    void QuarnHilfe1Click();
    // The program that hands the help page to the desktop's browser; empty: "xdg-open" on the PATH.
    std::string helpLauncher;
    void Info1Click();
    void DirectX1Click();
    void openDebugWindow1Click();
    void openStringGrid1Click();
    void InitLok1Click();

    // ---- the model clock (QuarnClock.cpp) ----
    // Commands > Time: the item is checked or unchecked already when this runs. Checked, the time
    // dialog chooses start, source and speed and the clock window appears; unchecked, it goes.
    void Zeit1Click();

    // ---- the seven modes and the palette (QuarnModes.cpp) ----
    // The mode commands of the Options menu; New, Open, the assistant and the route editor call
    // them directly. Each checks its own item and unchecks the other six.
    void Gleisbildentwerfen1Click();
    void DecoderAdressen1Click();
    void S88modules1Click();
    void Text1Click();
    void Betrieb1Click();
    void Fahrstrassen1Click();
    void Softregler1Click();
    void Design_PanelPaint();
    void Design_PanelMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void Design_PanelMouseMove(TShiftState Shift, int X, int Y);
    // The palette element picked last (27 x 27), kept apart from the engine's scratch bitmaps.
    const QImage& pickedSymbol() const { return m_pickedSymbol; }

    // ---- plan editing, text labels, the address panel (QuarnEditing.cpp) ----
    // The mouse on the plan view; positions are in the view. What a press does depends on the mode.
    void QuarnMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void QuarnMouseMove(TShiftState Shift, int X, int Y);
    void QuarnMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // A new label with a copy of LabelFont; null when it cannot be made.
    std::unique_ptr<TTextEntry> createlabel(const std::string& labelName, const std::string& text, int X,
                                            int Y);
    // Asks for a text (UTF-8 in and out); true only for OK with a text that is not empty, and only
    // then is Value changed.
    bool MyInputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value, int X,
                      int Y);
    // The text dialog's Font button: LabelFont takes the chosen font and colour.
    void FontButtonClick();
    // The address panel's Save button.
    void Speichern_buttonClick();

    // ---- operating the plan and the route editor (QuarnOperating.cpp) ----
    void ButtonFahrerst_plusClick();
    void ButtonFahrerst_minusClick();
    void ButtonverbindenClick();
    void ButtonFahrerst_speichernClick();
    void ButtonFahrerst_cancelClick();
    void ButtonDel_plusClick();
    void ButtonDel_minusClick();
    void ButtonDel_delClick();
    // Shows the route being edited on both tabs. Runs when the user changes the tab (not when code
    // does) and for whoever must bring the labels back after a relabelling.
    void PageControl1Change();
    // Commands > Synchronize: every switchable element's state is sent again.
    void Synchronize1Click();

    // ---- plan files (QuarnFiles.cpp) ----
    // File > New: asks for a name in Layouts/ and starts an empty plan in design mode.
    void Neu1Click();
    // File > Open: loads a plan with its labels and routes, switches its stored states, operate mode.
    void Oeffnen1Click();
    // File > Save: writes the plan under its name.
    void Speichern1Click();
    // File > Save as: writes the plan and its routes under a new name, operate mode.
    void Speichernals1Click();

    // ---- settings (QuarnSettings.cpp) ----
    // Setup > IP Addr/Host: the settings dialog; Save takes the settings, writes the settings file and
    // relabels every window. An open connection is not touched.
    void IPAddrHost1Click();
    // Relabels every window in the language Lang_id; what a mode or the route editor shows stays.
    void applyLanguage();

    // ---- the throttles in Regler_panel (loco/ThrottleControls.h; nothing while there are none) ----
    void setupScrollBar(int Regler);
    void setall_lokostop();

    // ---- the Screen menu (QuarnView.cpp) ----
    void automatisch1Click();
    void N640mal480Click();
    void N800mal600Click();
    void N1024mal768Click();

    // ---- components ----
    PaintBoxWidget* Quarn = nullptr;
    PaintBoxWidget* Design_Panel = nullptr;
    PaintBoxWidget* Hilfsbild1 = nullptr;
    QFrame* Regler_panel = nullptr;
    QFrame* Decod_panel = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QScrollBar* HScrollBar = nullptr;
    QScrollBar* VScrollBar = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Prozent_label = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QLabel* DebugLabel = nullptr;
    QTimer* PowerTimer = nullptr;

    // Children of the address panel.
    QLabel* Index_label = nullptr;
    QLabel* Posindex_dbtext = nullptr;
    QLabel* Decod_label = nullptr;
    QLabel* Daten_label = nullptr;
    QLabel* Protokoll_label = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image3 = nullptr;
    QLineEdit* Decod_edit1 = nullptr;
    QLineEdit* Decod_edit2 = nullptr;
    QLineEdit* Decod_edit3 = nullptr;
    QLineEdit* Daten_Edit1 = nullptr;
    QLineEdit* Daten_Edit2 = nullptr;
    QLineEdit* Daten_Edit3 = nullptr;
    QComboBox* Proto_CB = nullptr;
    QPushButton* Speichern_button = nullptr;
    UpDown* UpDoDaten1 = nullptr;
    UpDown* UpDoDaten2 = nullptr;
    UpDown* UpDoDaten3 = nullptr;

    // The route editor: TabSheet1 records a route, TabSheet2 deletes one.
    QLabel *LabelFahrerst1 = nullptr, *LabelFahrerst2 = nullptr, *LabelFahrerst3 = nullptr,
           *LabelFahrerst4 = nullptr;
    QPushButton *ButtonFahrerst_plus = nullptr, *ButtonFahrerst_minus = nullptr, *Buttonverbinden = nullptr,
                *ButtonFahrerst_speichern = nullptr, *ButtonFahrerst_cancel = nullptr;
    QLabel *LabelFahrdel1 = nullptr, *LabelFahrdel2 = nullptr;
    QPushButton *ButtonDel_plus = nullptr, *ButtonDel_minus = nullptr, *ButtonDel_del = nullptr;

    // The menus and their items. Each object name is its member's name, by which the text table
    // relabels it and commands are chosen by name.
    QMenu* FileMenu = nullptr;
    QAction *Neu1 = nullptr, *Oeffnen1 = nullptr, *Speichern1 = nullptr, *Speichernals1 = nullptr,
            *Hostverbinden1 = nullptr, *Hosttrennen1 = nullptr, *Ende1 = nullptr;
    QMenu* Optionen1 = nullptr;
    QAction *Gleisbildentwerfen1 = nullptr, *DecoderAdressen1 = nullptr, *S88modules1 = nullptr,
            *Text1 = nullptr, *Betrieb1 = nullptr, *Fahrstrassen1 = nullptr, *Softregler1 = nullptr,
            *Joystickeinrichten1 = nullptr;
    QMenu* Einstellungen1 = nullptr;
    QAction *IPAddrHost1 = nullptr, *Joystickcalibrieren1 = nullptr;
    QMenu* Rckmeldemodule1 = nullptr;
    QAction *Abfragestarten1 = nullptr, *Abfragebeenden1 = nullptr, *Synchronize2 = nullptr,
            *Reset1 = nullptr;
    QMenu* Befehle1 = nullptr;
    QAction *Synchronize1 = nullptr, *Spannungan1 = nullptr, *Spannungaus1 = nullptr,
            *Initialisierung1 = nullptr, *Zeit1 = nullptr, *Decoderprogrammieren1 = nullptr,
            *FreieBefehle1 = nullptr;
    QMenu* Bildschirm1 = nullptr;
    QAction *automatisch1 = nullptr, *N640mal480 = nullptr, *N800mal600 = nullptr, *N1024mal768 = nullptr;
    QMenu* Hilfe1 = nullptr;
    QAction *Assistent1 = nullptr, *QuarnHilfe1 = nullptr, *Info1 = nullptr, *DirectX1 = nullptr;
    QMenu* Debug1 = nullptr;
    QAction *openStringGrid1 = nullptr, *openDebugWindow1 = nullptr, *InitLok1 = nullptr;

signals:
    // The close was accepted: the program ends.
    void closedForGood();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    // One "SRCP 0.73" connection whose loss the window must notice. The closed hook runs on whatever
    // thread noticed the close; it hands the generation it saw to the GUI thread, where a close of an
    // older connection, or one the window made itself, is ignored.
    struct WatchedConnection {
        // Set when the connection was opened for good, cleared when the window gives it up.
        bool online = false;
        // Counts the openings; the hook reads it on the thread that noticed the close.
        std::atomic<unsigned> generation{0};
    };

    void buildComponents();
    void buildAddressPanel();
    void buildRouteEditor();
    // Ties the plan view, the palette and the panels' buttons to their handlers.
    void connectEditing();
    void buildMenus();
    void chooseScreen(QAction* item, int w, int h);
    void runShutdownHooks();
    // Copies the visible part of the plan into the view image, grey where the view passes the plan.
    void refreshPlanView();
    void snapScrollBar(QScrollBar* bar);
    int scrollMaximum(int planSize, int viewSize) const;
    // Applies the figures of the last setscreen with the frame extents known now.
    void applyScreenSize();
    // Applies them again when the window system has reported other frame extents since.
    void checkScreenFrame();

    // QuarnConnection.cpp
    void setupConnectionCommands();
    // Reports the closes of connection through handler on the GUI thread.
    void watchConnection(LineConnection& connection, WatchedConnection& watch,
                         void (TMainForm::*handler)(unsigned generation));
    // The seven Commands items that only make sense while connected.
    void setCommandItemsEnabled(bool on);
    void setConnectedMenuState();
    void connect073();
    void disconnect073();
    // "SRCP 0.80": SRCPCl2 opens its command and info sessions and describes the buses.
    void connect080();
    void disconnect080();
    // Feedback contacts are no longer read: Start and Reset come back.
    void feedbackStopped();
    // Run on the GUI thread after a connection closed; generation tells which opening it was.
    void commandConnectionClosed(unsigned generation);
    void pollConnectionClosed(unsigned generation);
    void infoConnectionClosed(unsigned generation);
    // QuarnCommands.cpp. Runs command on the transport's output; a failed write (or a server lost
    // during the command) is shown and counts as Dropped.
    CommandResult sendCommand(const std::function<CommandResult(CommandOutput&)>& command);
    // Tells the user why a command was not sent: message 127 (not connected) or 124 (not available).
    void reportRefusal(CommandResult result);
    // Fetches a text of the UI text table in the current language (UTF-8).
    std::string message(int number) const;
    void stopBox(int textNumber, int titleNumber = 102);

    // QuarnModes.cpp
    enum class Mode { Design, Decoder, S88, Text, Operate, Routes, LocoSetup };
    // The steps every mode command shares: flags, checks, panels, status bar, the pick.
    void enterMode(Mode mode);
    void setStatusBarColours(TColor background, TColor text);
    // Shows a page of PageControl1 without running PageControl1Change.
    void showRoutePage(QWidget* page);
    // The route editor is closed (saved or cancelled): back to the plan states, operate mode.
    void leaveRouteEditor();

    // QuarnEditing.cpp
    bool onPlan(int cx, int cy) const;
    // Copies a 27 x 27 image onto plan cell (cx, cy) of the plan bitmap and of the view.
    void drawCell(const QImage& cell, int cx, int cy);
    void greyCell(int cx, int cy);
    void textModeDown(TShiftState Shift, int cx, int cy);
    void designModeDown(TShiftState Shift, int wx, int wy, int cx, int cy);
    void addressModeDown(TShiftState Shift, int cx, int cy);
    void moveSelection(int X, int Y);
    void dragTo(int X, int Y);
    // The release entered nothing: the picked image leaves its cell, and an element the drag took
    // away goes back.
    void undoPlacement();
    // The engine keeps what it derives from the plan's addresses (the feedback detectors) up to
    // date; it must hear of every change made in place here.
    void planAddressesChanged();
    // Puts an element taken away by a drag back at its index of the position table.
    void putBackPlanEntry(std::size_t index, const tPosEntry& entry);

    // QuarnFiles.cpp
    // True for a file name ending in exactly ".pln"; otherwise message 140 is shown.
    bool planFileNameAccepted(const std::string& name);
    // Title: Infostring and the plan's name.
    void showPlanTitle();
    // The view back at the plan's top-left corner.
    void scrollToOrigin();

    // QuarnSettings.cpp
    // The joystick back-end chosen by the settings starts again here once they are confirmed.
    void joysticksChanged();

    // QuarnOperating.cpp
    void operateDown(TShiftState Shift, int cx, int cy);
    void routeDown(TShiftState Shift, int cx, int cy);
    void showRouteLabels();
    // Shows route Fahrstrasse instead of route shown on the plan.
    void showOtherRoute(int shown);

    // The picked palette element's image.
    QImage m_pickedSymbol;
    // The address panel edits the element at (Speichern_posx, Speichern_posy) only after a click
    // chose one in this mode.
    bool m_addressChosen = false;
    // A left press in design mode: where the picked image shows now (its earlier content is in
    // Undo), whether a drag may start, has started, and what it took away from the plan.
    struct Placement {
        bool shown = false;
        int cellX = 0, cellY = 0;
        bool dragArmed = false;
        bool dragging = false;
        int pressCellX = 0, pressCellY = 0;
        std::optional<std::pair<std::size_t, tPosEntry>> removed;
    };
    Placement m_placement;
    // Code is setting PageControl1's page.
    bool m_settingRoutePage = false;
    // The open plan came from its file or was written to it (Open, Save, Save as); a plan made by New
    // has no files until it is saved.
    bool m_planOnDisk = false;

    bool m_startupFailed = false;
    bool m_busyCursor = false;
    std::map<std::string, QAction*> m_menuActions;
    std::array<QLabel*, 3> m_statusPanels{};
    std::unique_ptr<LineConnection> m_commandSocket;
    std::unique_ptr<LineConnection> m_pollSocket;
    std::unique_ptr<LineConnection> m_infoSocket;
    std::unique_ptr<THighResTimer> m_highResTimer;
    // SRCPCl2.
    std::unique_ptr<TMoBaSRCPClient> m_srcpClient;
    // Our own disconnect of SRCPCl2 runs the common tail itself.
    bool m_closingClient = false;
    std::vector<std::function<void()>> m_shutdownHooks;
    bool m_shutdownDone = false;
    bool m_destroyed = false;
    // A connect is under way (it blocks the GUI thread, but a box or repaint may still reach us).
    bool m_connecting = false;
    // The three "SRCP 0.73" connections. The command connection is online from a successful connect
    // until the disconnect tail, the info connection while its reader runs, the poll connection from
    // Feedback > Start until Stop.
    WatchedConnection m_command;
    WatchedConnection m_info;
    WatchedConnection m_poll;
    // The figures of the last setscreen, the client size and frame extents they were applied with,
    // and whether the window system may still report the frame of the shown window.
    QSize m_screenSize;
    QSize m_screenClientSize;
    QMargins m_screenFrame;
    bool m_screenFramePending = false;
};

// The main window as a window; null while there is none.
TMainForm* mainWindow();
