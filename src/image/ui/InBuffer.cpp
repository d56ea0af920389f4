#include "InBuffer.h"

#include "GetImgSize.h"
#include "controls/Buttons.h"
#include "controls/Check.h"
#include "controls/Icons.h"
#include "image/FormatComparison.h"
#include "image/ui/ScrollingPic.h"
#include "image/cGdiPlus.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

constexpr int CaptureDelayMs = 100;

QLabel* createLabel(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

} // namespace

InBuffer::InBuffer(const QString& tempFolder, PictureSource picture, QWidget* parent)
    : QDialog(parent)
    , m_tempFolder(tempFolder)
    , m_picture(std::move(picture))
    , m_candidates(FormatComparison::CandidatePaths(tempFolder))
    , m_background(new QWidget(this))
{
    setObjectName(QStringLiteral("InBuffer"));
    setWindowTitle(QStringLiteral("Вставка из буфера"));
    m_background->setObjectName(QStringLiteral("BG"));
    m_background->setAttribute(Qt::WA_StyledBackground);
    m_background->setStyleSheet(QStringLiteral("#BG { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                               "stop:0 #f5f7fb, stop:1 #e3e9f3); }"));
    m_background->lower();

    m_contImg = createLabel(QString(), QStringLiteral("ContImg"), this);
    m_contImg->hide();

    m_ok = Buttons::CreateButton(QStringLiteral("OK"), QStringLiteral("XpB1"), this);
    m_ok->setDefault(true);
    m_cancel = Buttons::CreateButton(QStringLiteral("Отмена"), QStringLiteral("Command3"), this);
    connect(m_ok, &QPushButton::clicked, this, &InBuffer::Accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(16);
    columns->addWidget(BuildChoice(), 0, Qt::AlignTop);
    columns->addWidget(BuildPreview(), 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(CaptureDelayMs);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &InBuffer::Capture);

    m_qa->addItems(FormatComparison::QualityChoices());
    m_qa->setCurrentIndex(FormatComparison::DefaultQualityIndex);
    QualityChosen();
    SetMeasuring(true);
    m_timer1->start();
}

InBuffer::~InBuffer() = default;

QWidget* InBuffer::BuildChoice()
{
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(createLabel(QStringLiteral("Размер при сохранении в разных форматах"), QStringLiteral("Label1"), panel));
    m_isz = new GetImgSize(m_tempFolder, panel);
    connect(m_isz, &GetImgSize::MeasuringStarted, this, [this] { SetMeasuring(true); });
    connect(m_isz, &GetImgSize::Measured, this, [this] { SetMeasuring(false); });
    connect(m_isz, &GetImgSize::MinSize, this, &InBuffer::OnMinSize);
    layout->addWidget(m_isz);
    layout->addSpacing(8);

    auto* formats = new QHBoxLayout;
    formats->addWidget(createLabel(QStringLiteral("Формат:"), QStringLiteral("Label2"), panel));
    const char* const names[] = { "JPG", "GIF", "PNG" };
    for (int i = 0; i < 3; ++i) {
        auto* check = new Check(panel);
        check->setObjectName(QStringLiteral("Check1_%1").arg(i));
        connect(check, &Check::Click, this, [this, i] { CheckClicked(i); });
        m_check[std::size_t(i)] = check;
        formats->addSpacing(6);
        formats->addWidget(check, 0, Qt::AlignVCenter);
        formats->addWidget(createLabel(QLatin1String(names[i]), QStringLiteral("Label%1").arg(3 + i), panel));
    }
    formats->addStretch(1);
    layout->addLayout(formats);

    auto* quality = new QHBoxLayout;
    m_qa = new QComboBox(panel);
    m_qa->setObjectName(QStringLiteral("Qa"));
    connect(m_qa, &QComboBox::activated, this, &InBuffer::QualityChosen);
    quality->addWidget(m_qa);
    quality->addWidget(createLabel(QStringLiteral("качество JPEG"), QStringLiteral("Label6"), panel));
    quality->addStretch(1);
    layout->addLayout(quality);
    layout->addStretch(1);
    return panel;
}

QWidget* InBuffer::BuildPreview()
{
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    m_ri = new ScrollingPic(panel);
    m_ri->setObjectName(QStringLiteral("RI"));
    m_ri->setFixedSize(400, 301);
    layout->addWidget(m_ri);
    m_zoom1 = Buttons::CreateImageButton(Icons::ZoomFull(), QStringLiteral("Полный размер"), QStringLiteral("zoom1"), panel);
    m_zoom2 = Buttons::CreateImageButton(Icons::ZoomFit(), QStringLiteral("Вписать в окно"), QStringLiteral("zoom2"), panel);
    connect(m_zoom1, &QPushButton::clicked, this, [this] { Zoom(true); });
    connect(m_zoom2, &QPushButton::clicked, this, [this] { Zoom(false); });
    m_zoom2->hide();
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(m_zoom1);
    zoomRow->addWidget(m_zoom2);
    zoomRow->addStretch(1);
    layout->addLayout(zoomRow);
    return panel;
}

void InBuffer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_background->setGeometry(rect());
}

void InBuffer::Capture()
{
    m_timer1->stop();
    const QImage picture = m_picture ? m_picture() : QImage();
    if (picture.isNull()) {
        SetMeasuring(false);
        m_isz->ShowText(QStringLiteral("В буфере обмена не содержится графических данных"));
        return;
    }
    m_contImg->setPixmap(QPixmap::fromImage(picture));
    QDir().mkpath(m_tempFolder);
    const QString capture = FormatComparison::CapturePath(m_tempFolder);
    if (!cGdiPlus().PictureBoxToFile(picture, capture, 0)) {
        SetMeasuring(false);
        m_isz->ShowText(QStringLiteral("Не удалось записать изображение в папку ") + QDir::toNativeSeparators(m_tempFolder));
        return;
    }
    m_captured = true;
    QualityChosen();
}

void InBuffer::QualityChosen()
{
    // Before the capture, a "tmp.bmp" is the picture of an earlier opening, which is about to be
    // replaced; measuring it would only race with the capture.
    const QString capture = FormatComparison::CapturePath(m_tempFolder);
    if (m_captured && QFileInfo::exists(capture))
        m_isz->GetSize(capture, m_qa->currentText().toInt());
}

void InBuffer::OnMinSize(int index)
{
    m_check[std::size_t(index - 1)]->setValue(true);
    CheckClicked(index - 1);
}

void InBuffer::CheckClicked(int index)
{
    for (int i = 0; i < 3; ++i) {
        if (i != index)
            m_check[std::size_t(i)]->setValue(false);
    }
    m_ri->SetPicture(m_candidates.at(index));
    m_qa->setEnabled(index == 0);
    Zoom(false);
}

void InBuffer::SetMeasuring(bool measuring)
{
    // While the variant files are rewritten none of them can be chosen; a variant that could not be
    // written never can.
    const FormatComparison::Sizes& sizes = m_isz->Sizes();
    for (int i = 0; i < 3; ++i) {
        const bool failed = sizes[std::size_t(i)] == FormatComparison::Failed;
        if (failed)
            m_check[std::size_t(i)]->setValue(false);
        m_check[std::size_t(i)]->setEnabled(!measuring && !failed);
    }
    m_ok->setEnabled(!measuring);
    // OK is off while the first measuring runs, so the window opens with the focus past it, on "Отмена".
    // It goes to OK, the default button, once OK can take it; a focus the user has moved elsewhere stays.
    if (!measuring && !m_okFocused) {
        m_okFocused = true;
        if (!focusWidget() || focusWidget() == m_cancel)
            m_ok->setFocus();
    }
}

void InBuffer::Zoom(bool fullsize)
{
    m_ri->Fullsize(fullsize);
    m_zoom1->setVisible(!fullsize);
    m_zoom2->setVisible(fullsize);
}

void InBuffer::Accept()
{
    m_chosenPath.clear();
    for (int i = 0; i < 3; ++i) {
        if (m_check[std::size_t(i)]->Value())
            m_chosenPath = m_candidates.at(i);
    }
    accept();
}
