#pragma once

#include "ParseCommandSting.h"
#include "engine/ServerCatalogue.h"
#include "settings/OptionsModule.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <memory>

class ImageIntake;
class SxcuPrompter;
class Uploader;
class LinkTypesController;
class ScrollingPic;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class PacedText;
class QWidget;

// The program's one window: its start-up prepares settings, services and the scratch folder, its
// buttons start every function, its closing ends the program.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    // commandLineText: the arguments of the process as one text (see CommandLineText()).
    MainWindow(QString programFolder, QString commandLineText, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up sequence after the single-instance check; call once, before show().
    void StartUp();

    const Settings& settings() const { return m_options.settings(); }
    const ServerInfo& serverInfo() const { return m_serverInfo; }
    QString CurrentImagePath() const;
    QString TempFolder() const { return m_tempFolder; }
    QString CommandLineText() const { return m_commandLineText; }
    const ParseCommandSting::CommandLineResults& commandLine() const { return m_command; }
    // The uploader of the current or last upload; each upload gets a new one for its service.
    Uploader* engine() const { return m_engine; }
    // Who answers the questions of custom-uploader files in uploads and imports the user watches (not
    // owned; null brings the dialogs back). Tests answer through it.
    void setPrompter(SxcuPrompter* prompter);
    // Takes a custom-uploader file in as a service (asking before replacing one of the same name) and
    // selects it. False when it was not taken; a message box has said why.
    bool ImportSxcu(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildImagePanel();
    QWidget* buildActionPanel();
    void bindControls();
    void fillServerList();
    void ServerSelected();
    void ServerChosen();
    void AllowChoosing(bool allowed);
    void WarnIfTooLarge(const QString& path);
    void CheckLimits();
    void GoToSrv();
    void ShowServerInfo();
    void ShowAbout();
    void ShowOptions();
    void UploadClicked();
    void StopClicked();
    void ShutDown();
    void ShowJournal();
    void TakeCommandLine();
    void AutomaticStart();
    void UploadFinished(bool success);
    void UseUploader(Uploader* uploader);

    QString m_programFolder;
    QString m_commandLineText;
    QString m_tempFolder;
    QString m_imageLink;
    QString m_previewLink;
    OptionsModule m_options;
    ServerInfo m_serverInfo;
    bool m_shutDownDone = false;
    ParseCommandSting::CommandLineResults m_command;

    QComboBox* m_servers = nullptr;
    QComboBox* m_linksType = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_copyTo = nullptr;
    QPushButton* m_openTB = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_xpB1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_commandStop = nullptr;
    // Since when the stop button shows: the second click of a double click on the upload button lands on it.
    QElapsedTimer m_stopShownSince;
    QPushButton* m_xpB3 = nullptr;
    QPushButton* m_xpB2 = nullptr;
    QPushButton* m_xpB4 = nullptr;
    QPushButton* m_sinfo = nullptr;
    QPushButton* m_goToSrv = nullptr;
    QPushButton* m_okUpl = nullptr;
    QPushButton* m_noUpl = nullptr;
    QPushButton* m_zoom1 = nullptr;
    QPushButton* m_zoom2 = nullptr;
    QPushButton* m_command3 = nullptr;
    QLabel* m_st = nullptr;
    PacedText* m_status = nullptr; // the engine's status texts, drawn into m_st
    QLabel* m_toLabel = nullptr;
    QLabel* m_ftype = nullptr;
    QLabel* m_riL = nullptr;
    QLabel* m_siL = nullptr;
    ScrollingPic* m_ri = nullptr;
    QTimer* m_timer1 = nullptr;
    LinkTypesController* m_links = nullptr;
    ImageIntake* m_image = nullptr;
    Uploader* m_engine = nullptr;
    std::unique_ptr<SxcuPrompter> m_dialogPrompter;
    std::unique_ptr<SxcuPrompter> m_unattendedPrompter;
    SxcuPrompter* m_prompter = nullptr;
};
