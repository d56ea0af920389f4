#include "MainWindow.h"

#include "ScratchFolder.h"
#include "controls/Buttons.h"
#include "controls/ElidedLabel.h"
#include "controls/GradientBackground.h"
#include "controls/Icons.h"
#include "controls/PacedText.h"
#include "controls/WheelNeedsFocus.h"
#include "engine/AutomaticStart.h"
#include "engine/SxcuImport.h"
#include "engine/SxcuPrompter.h"
#include "engine/Uploader.h"
#include "engine/UploaderFactory.h"
#include "engine/ui/AboutServer.h"
#include "engine/ui/DialogSxcuPrompter.h"
#include "image/ui/ClipboardIntake.h"
#include "image/ui/ImageIntake.h"
#include "image/ui/ScrollingPic.h"
#include "journal/Journal.h"
#include "journal/ui/ShowJournal.h"
#include "links/LinkTypes.h"
#include "links/ui/LinkTypesController.h"
#include "platform/ProfileFile.h"
#include "platform/Shell.h"
#include "platform/ui/MessageBox.h"
#include "settings/IniFile.h"
#include "settings/ui/Options.h"
#include "update/ui/About.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStyleHints>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

const QString MainSection = QStringLiteral("Main");

QLabel* createLabel(const QString& text, const QString& objectName)
{
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    return label;
}

// A list whose long entries are cut short instead of widening the window.
void keepNarrow(QComboBox* list)
{
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(22);
    list->view()->setTextElideMode(Qt::ElideMiddle);
}

} // namespace

MainWindow::MainWindow(QString programFolder, QString commandLineText, QWidget* parent)
    : QMainWindow(parent)
    , m_programFolder(std::move(programFolder))
    , m_commandLineText(std::move(commandLineText))
    , m_options(m_programFolder)
    , m_dialogPrompter(std::make_unique<DialogSxcuPrompter>(this))
    , m_unattendedPrompter(std::make_unique<UnattendedSxcuPrompter>())
    , m_prompter(m_dialogPrompter.get())
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Pictoferry"));
    buildControls();
}

MainWindow::~MainWindow()
{
    ShutDown();
}

void MainWindow::buildControls()
{
    auto* central = new GradientBackground;
    central->setObjectName(QStringLiteral("BG"));
    // The preview takes what the window gains; the column of controls keeps its width.
    auto* columns = new QHBoxLayout;
    columns->setSpacing(16);
    columns->addWidget(buildImagePanel(), 1);
    columns->addWidget(buildActionPanel(), 0);

    // A long path is cut in the middle, so its file name stays in sight; the tool tip holds all of it.
    m_st = new ElidedLabel(QStringLiteral("Ready"));
    m_st->setObjectName(QStringLiteral("st"));
    m_st->setFrameShape(QFrame::StyledPanel);
    m_status = new PacedText(m_st);
    m_toLabel = createLabel(QString(), QStringLiteral("TOLabel"));
    m_toLabel->setMinimumWidth(40);
    m_toLabel->setAlignment(Qt::AlignCenter);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(m_st, 1);
    statusRow->addWidget(m_toLabel);

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(14, 14, 14, 10);
    layout->addLayout(columns, 1);
    layout->addLayout(statusRow);
    setCentralWidget(central);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(10);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::AutomaticStart);
    bindControls();
}

void MainWindow::bindControls()
{
    m_image = new ImageIntake(m_programFolder,
        { .RI = m_ri,
            .st = m_st,
            .Ftype = m_ftype,
            .RiL = m_riL,
            .SiL = m_siL,
            .Servers = m_servers,
            .Copy_to = m_copyTo,
            .OpenTB = m_openTB,
            .Command1 = m_command1,
            .zoom1 = m_zoom1,
            .zoom2 = m_zoom2,
            .OKupl = m_okUpl,
            .NoUpl = m_noUpl,
            .Command2 = m_command2 },
        this);
    new ClipboardIntake(ScratchFolder::Path(m_programFolder), m_image, m_xpB1, this);
    // Installed after the picture drops: a dropped custom-uploader file is seen here first.
    installEventFilter(this);
    m_links = new LinkTypesController(m_programFolder, m_linksType, m_text1, m_copyTo, m_openTB, this);
    m_links->bindLinkValues(&m_imageLink, &m_previewLink);

    UseUploader(UploaderFactory::Create(m_programFolder, m_options.settings(), QString(), this));
    connect(m_commandStop, &QPushButton::clicked, this, &MainWindow::StopClicked);

    connect(m_servers, &QComboBox::activated, this, &MainWindow::ServerChosen);
    connect(m_goToSrv, &QPushButton::clicked, this, &MainWindow::GoToSrv);
    connect(m_sinfo, &QPushButton::clicked, this, &MainWindow::ShowServerInfo);
    connect(m_command2, &QPushButton::clicked, this, &MainWindow::UploadClicked);
    connect(m_xpB3, &QPushButton::clicked, this, &MainWindow::ShowJournal);
    connect(m_xpB2, &QPushButton::clicked, this, &MainWindow::ShowAbout);
    connect(m_command3, &QPushButton::clicked, this, &QWidget::close);
    connect(m_xpB4, &QPushButton::clicked, this, &MainWindow::ShowOptions);
}

QWidget* MainWindow::buildImagePanel()
{
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    m_ri = new ScrollingPic;
    m_ri->setObjectName(QStringLiteral("RI"));
    m_ri->setMinimumSize(320, 240);
    m_ri->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(m_ri, 1);

    m_zoom1 = Buttons::CreateImageButton(Icons::ZoomFull(), QStringLiteral("Полный размер"), QStringLiteral("zoom1"));
    m_zoom2 = Buttons::CreateImageButton(Icons::ZoomFit(), QStringLiteral("Вписать в окно"), QStringLiteral("zoom2"));
    m_ftype = createLabel(QString(), QStringLiteral("Ftype"));
    m_riL = createLabel(QString(), QStringLiteral("RiL"));
    m_siL = createLabel(QString(), QStringLiteral("SiL"));
    auto* infoRow = new QHBoxLayout;
    infoRow->addWidget(m_zoom1);
    infoRow->addWidget(m_zoom2);
    infoRow->addSpacing(8);
    infoRow->addWidget(m_ftype);
    infoRow->addWidget(m_riL);
    infoRow->addWidget(m_siL);
    infoRow->addStretch(1);
    layout->addLayout(infoRow);
    return panel;
}

QWidget* MainWindow::buildActionPanel()
{
    auto* panel = new QWidget;
    panel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    m_command1 = Buttons::CreateButton(QStringLiteral("Открыть файл"), QStringLiteral("Command1"));
    m_xpB1 = Buttons::CreateButton(QStringLiteral("Из буфера"), QStringLiteral("XpB1"));
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_command1);
    sourceRow->addWidget(m_xpB1);
    layout->addLayout(sourceRow);
    layout->addSpacing(6);

    layout->addWidget(createLabel(QStringLiteral("Выберите сервер:"), QStringLiteral("Label2")));
    m_servers = new QComboBox;
    m_servers->setObjectName(QStringLiteral("Servers"));
    m_servers->setEnabled(false);
    keepNarrow(m_servers);
    WheelNeedsFocus::Install(m_servers);
    m_sinfo = Buttons::CreateImageButton(
        Icons::ServerInfo(), QStringLiteral("Информация о сервере"), QStringLiteral("Sinfo"));
    m_goToSrv
        = Buttons::CreateImageButton(Icons::Site(), QStringLiteral("Открыть сайт сервера"), QStringLiteral("GoToSrv"));
    m_okUpl = Buttons::CreateImageButton(QIcon(), QString(), QStringLiteral("OKupl"));
    m_noUpl = Buttons::CreateImageButton(QIcon(), QString(), QStringLiteral("NoUpl"));
    m_okUpl->hide();
    m_noUpl->hide();
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(m_servers, 1);
    serverRow->addWidget(m_sinfo);
    serverRow->addWidget(m_goToSrv);
    serverRow->addWidget(m_okUpl);
    serverRow->addWidget(m_noUpl);
    layout->addLayout(serverRow);

    m_command2 = Buttons::CreateButton(QStringLiteral("Закачать"), QStringLiteral("Command2"));
    m_command2->setMinimumHeight(38);
    m_commandStop = Buttons::CreateButton(QStringLiteral("Стоп"), QStringLiteral("CommandStop"));
    m_commandStop->setMinimumHeight(38);
    m_commandStop->hide();
    layout->addWidget(m_command2);
    layout->addWidget(m_commandStop);
    layout->addSpacing(6);

    layout->addWidget(createLabel(QStringLiteral("Тип ссылки:"), QStringLiteral("Label1")));
    m_linksType = new QComboBox;
    m_linksType->setObjectName(QStringLiteral("LinksType"));
    keepNarrow(m_linksType);
    layout->addWidget(m_linksType);
    m_text1 = new QLineEdit;
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    m_copyTo
        = Buttons::CreateImageButton(Icons::Copy(), QStringLiteral("Копировать ссылку"), QStringLiteral("Copy_to"));
    m_openTB
        = Buttons::CreateImageButton(Icons::OpenLink(), QStringLiteral("Открыть ссылку"), QStringLiteral("OpenTB"));
    auto* linkRow = new QHBoxLayout;
    linkRow->addWidget(m_text1, 1);
    linkRow->addWidget(m_copyTo);
    linkRow->addWidget(m_openTB);
    layout->addLayout(linkRow);
    layout->addStretch(1);

    m_xpB3 = Buttons::CreateButton(QStringLiteral("Журнал закачек"), QStringLiteral("XpB3"));
    m_xpB2 = Buttons::CreateButton(QStringLiteral("О программе"), QStringLiteral("XpB2"));
    m_xpB4 = Buttons::CreateImageButton(Icons::Settings(), QStringLiteral("Настройки"), QStringLiteral("XpB4"));
    m_command3 = Buttons::CreateButton(QStringLiteral("Выход"), QStringLiteral("Command3"));
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_xpB3);
    bottomRow->addWidget(m_xpB2);
    bottomRow->addWidget(m_xpB4);
    bottomRow->addStretch(1);
    bottomRow->addWidget(m_command3);
    layout->addLayout(bottomRow);

    return panel;
}

void MainWindow::StartUp()
{
    WarnIfTooLarge(m_options.optionsPath());
    WarnIfTooLarge(LinkTypes::LinkTypesPath(m_programFolder));
    m_options.LoadOptions();
    fillServerList();
    m_links->Startup();
    m_tempFolder = ScratchFolder::Path(m_programFolder);
    ScratchFolder::Prepare(m_tempFolder);
    TakeCommandLine();
}

void MainWindow::TakeCommandLine()
{
    m_commandLineText = ParseCommandSting::StripQuotes(m_commandLineText);
    if (m_commandLineText.isEmpty())
        return;
    if (m_options.settings().CommandLine) {
        ParseCommandSting::ProgramFacts facts;
        facts.CommandLine = true;
        facts.ServerNames = ServerCatalogue::BuildServerList(m_programFolder);
        facts.OfferedLinkTypes = m_links->tables().enabledCount();
        const ParseCommandSting::ParseResult parse = ParseCommandSting::ParseCommandSting(m_commandLineText, facts);
        m_command = parse.results;
        ParseCommandSting::ShowErrors(this, parse.errors);
    }
    // A folder is no picture file; the parse asks the same of its path.
    if (QFileInfo(m_commandLineText).isFile() || m_command.CmdAccepted)
        m_timer1->start();
}

void MainWindow::AutomaticStart()
{
    m_timer1->stop();
    const QString path = AutomaticStart::ImagePath(m_commandLineText, m_command.CmdAccepted, m_command.CmdFile);
    // A picture that cannot be shown has had its message; there is nothing to upload.
    if (!m_image->OpenImgFile(path) || !m_command.CmdAccepted)
        return;
    QStringList servers;
    for (int i = 0; i < m_servers->count(); ++i)
        servers.append(m_servers->itemText(i));
    const int server = AutomaticStart::ServerIndex(servers, m_command.CmdServer, m_servers->currentIndex());
    if (server != m_servers->currentIndex()) {
        m_servers->setCurrentIndex(server);
        ServerSelected();
    }
    UploadClicked();
}

void MainWindow::AllowChoosing(bool allowed)
{
    // While an upload runs, neither another picture nor another service can be chosen.
    m_command1->setEnabled(allowed);
    m_xpB1->setEnabled(allowed);
    m_servers->setEnabled(allowed && !CurrentImagePath().isEmpty());
}

void MainWindow::WarnIfTooLarge(const QString& path)
{
    if (ProfileFile::IsTooLarge(path))
        Platform::ShowMessage(
            this, IniFile::TooLargeMessage(path), QStringLiteral("Ошибка"), Platform::MessageIcon::Error);
}

void MainWindow::fillServerList()
{
    m_servers->addItems(ServerCatalogue::BuildServerList(m_programFolder));
    // The name finds the service when others were added to the list or taken from it since; the place
    // stands for files that keep no name.
    const IniFile options(m_options.optionsPath());
    const int named = m_servers->findText(options.RINI(MainSection, QStringLiteral("LastServerName")));
    const int lastServer = named >= 0 ? named : options.RINIi(MainSection, QStringLiteral("LastServer"));
    m_servers->setCurrentIndex(lastServer >= 0 && lastServer < m_servers->count() ? lastServer : 0);
    ServerSelected();
}

void MainWindow::ServerSelected()
{
    const QString server = m_servers->currentText();
    if (server.isEmpty()) {
        m_command2->setEnabled(false);
        m_goToSrv->hide();
        m_sinfo->hide();
        return;
    }
    m_command2->setEnabled(true);
    m_goToSrv->show();
    WarnIfTooLarge(ServerCatalogue::InfoPath(m_programFolder, server));
    m_serverInfo = ServerCatalogue::LoadServerInfo(m_programFolder, server);
    m_sinfo->setVisible(QFileInfo::exists(ServerCatalogue::InfoPath(m_programFolder, server)));
    CheckLimits();
}

// A service the user picks that cannot upload says why at once; its upload is refused with the same text.
void MainWindow::ServerChosen()
{
    ServerSelected();
    const QString problem = ServerCatalogue::SxcuProblem(m_programFolder, m_servers->currentText());
    if (!problem.isEmpty())
        Platform::ShowMessage(this, problem, QStringLiteral("Ошибка"), Platform::MessageIcon::Error);
}

void MainWindow::setPrompter(SxcuPrompter* prompter)
{
    m_prompter = prompter ? prompter : m_dialogPrompter.get();
}

namespace
{

// The first local ".sxcu" file among the dropped ones; empty when there is none.
QString droppedSxcu(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && url.toLocalFile().endsWith(QLatin1String(".sxcu"), Qt::CaseInsensitive))
            return url.toLocalFile();
    }
    return {};
}

} // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched != this || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QMainWindow::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = droppedSxcu(drop->mimeData());
    if (path.isEmpty() || (m_engine && m_engine->isRunning()))
        return QMainWindow::eventFilter(watched, event);
    drop->acceptProposedAction();
    // The drag source waits for the drop to end; the questions come once it has.
    if (type == QEvent::Drop)
        QTimer::singleShot(0, this, [this, path] { ImportSxcu(path); });
    return true;
}

bool MainWindow::ImportSxcu(const QString& path)
{
    const QString title = QStringLiteral("Импорт сервера");
    SxcuImport::Result result = SxcuImport::Import(m_programFolder, path, *m_prompter);
    // Only another custom-uploader file may be replaced; a script of the same name stays.
    if (result.status == SxcuImport::Status::Exists
        && ServerCatalogue::KindOf(m_programFolder, result.server) == ServerCatalogue::ProfileKind::Sxcu) {
        if (Platform::ShowMessage(this, result.message + QStringLiteral("\r\n\r\nЗаменить его?"), title,
                Platform::MessageIcon::Question, QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes)
            return false;
        result = SxcuImport::Import(m_programFolder, path, *m_prompter, true);
    }
    if (result.status != SxcuImport::Status::Imported) {
        Platform::ShowMessage(this, result.message, title, Platform::MessageIcon::Error);
        return false;
    }
    m_servers->clear();
    m_servers->addItems(ServerCatalogue::BuildServerList(m_programFolder));
    m_servers->setCurrentIndex(std::max(0, m_servers->findText(result.server)));
    ServerChosen();
    return true;
}

void MainWindow::CheckLimits()
{
    m_image->CheckServerLimits({ m_serverInfo.MaxWidth, m_serverInfo.MaxHeight, m_serverInfo.MaxSize });
}

QString MainWindow::CurrentImagePath() const
{
    return m_image->CurrentImagePath();
}

void MainWindow::GoToSrv()
{
    Platform::OpenWithShell(ServerCatalogue::SiteAddress(m_servers->currentText()));
}

void MainWindow::ShowServerInfo()
{
    AboutServer dialog(m_serverInfo, this);
    dialog.exec();
}

void MainWindow::ShowAbout()
{
    About dialog(m_programFolder, m_options.settings(), this);
    dialog.exec();
}

void MainWindow::ShowOptions()
{
    Options dialog(m_options, SystemProxy::DesktopSources(), this);
    dialog.exec();
}

void MainWindow::UseUploader(Uploader* uploader)
{
    if (m_engine)
        m_engine->deleteLater();
    m_engine = uploader;
    connect(m_engine, &Uploader::statusChanged, m_status, &PacedText::show);
    // The status is final when an upload ends, and current when a box stops the window.
    connect(m_engine, &Uploader::finished, m_status, &PacedText::flush);
    connect(m_engine, &Uploader::ended, m_status, &PacedText::flush);
    connect(m_engine, &Uploader::message, this, [this](const QString& text, const QString& title) {
        m_status->flush();
        Platform::ShowMessage(this, text, title, Platform::MessageIcon::Error);
    });
    connect(m_engine, &Uploader::uploadButtonsChanged, this, [this](bool uploadVisible) {
        m_command2->setVisible(uploadVisible);
        if (!uploadVisible && m_commandStop->isHidden())
            m_stopShownSince.start();
        m_commandStop->setVisible(!uploadVisible);
    });
    connect(m_engine, &Uploader::uploadButtonsChanged, this, &MainWindow::AllowChoosing);
    connect(m_engine, &Uploader::linkTypesEnabledChanged, m_linksType, &QWidget::setEnabled);
    connect(m_engine, &Uploader::countdownChanged, m_toLabel, &QLabel::setText);
    connect(m_engine, &Uploader::finished, this, &MainWindow::UploadFinished);
}

void MainWindow::UploadClicked()
{
    if (m_engine->isRunning())
        return;
    // An upload that closes the window when done has nobody to answer questions.
    SxcuPrompter* prompter = m_command.CmdAccepted && m_command.CmdExit ? m_unattendedPrompter.get() : m_prompter;
    UseUploader(
        UploaderFactory::Create(m_programFolder, m_options.settings(), m_servers->currentText(), this, prompter));
    m_engine->StartUpload(m_servers->currentIndex(), m_servers->currentText(), CurrentImagePath());
}

void MainWindow::StopClicked()
{
    // A double click on "Закачать" must not stop the upload that its first click started.
    if (m_stopShownSince.isValid()
        && m_stopShownSince.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval())
        return;
    m_engine->StopUpload();
}

void MainWindow::UploadFinished(bool success)
{
    if (!success) {
        // The journal keeps no failed upload, and the link box offers no link to copy either.
        m_imageLink.clear();
        m_previewLink.clear();
        m_text1->clear();
        m_copyTo->hide();
        m_openTB->hide();
        return;
    }
    m_imageLink = m_engine->ImageLink();
    m_previewLink = m_engine->PreviewLink();
    m_links->FormatLink();
    Journal::AppendJournalRecord(m_programFolder, m_engine->CurrentImagePath(), m_imageLink, m_previewLink,
        QDateTime::currentDateTime(), m_engine->DeletionLink());
    if (!m_command.CmdAccepted)
        return;
    if (m_command.CmdLinkType > 0) {
        m_links->SelectLinkType(m_command.CmdLinkType - 1);
        m_links->CopyLink();
    }
    if (m_command.CmdExit)
        QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::ShowJournal()
{
    const Settings& settings = m_options.settings();
    Journal::ShowJournal(this, m_programFolder, settings.LimitJournal, settings.JournalRows);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    ShutDown();
    event->accept();
}

void MainWindow::ShutDown()
{
    if (m_shutDownDone || m_tempFolder.isEmpty())
        return;
    m_shutDownDone = true;
    ScratchFolder::Empty(m_tempFolder);
}
