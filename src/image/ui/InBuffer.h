#pragma once

#include <QDialog>
#include <QImage>
#include <QStringList>

#include <array>
#include <functional>

class Check;
class GetImgSize;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class ScrollingPic;

// The "Вставка из буфера" window: shortly after it appears it takes the picture (normally the
// clipboard's), saves it as "tmp.bmp" in the scratch folder, has it measured as JPEG, GIF and PNG,
// pre-selects the smallest variant and previews the chosen one. OK gives the chosen variant's path;
// Cancel gives nothing.
//
// Parts, found by object name: "BG", "Label1" … "Label6", "ISz" (GetImgSize), "Check1_0", "Check1_1",
// "Check1_2" (the format choice JPG, GIF, PNG), "Qa" (the JPEG quality), "RI" (the preview), "zoom1",
// "zoom2", "ContImg" (the hidden captured picture), "Timer1" (the capture, 100 ms after opening),
// "XpB1" (OK) and "Command3" (Отмена).
class InBuffer final : public QDialog
{
    Q_OBJECT

public:
    using PictureSource = std::function<QImage()>;

    InBuffer(const QString& tempFolder, PictureSource picture, QWidget* parent = nullptr);
    ~InBuffer() override;

    // After OK: the path of the ticked variant, or empty text when none is ticked.
    QString ChosenPath() const { return m_chosenPath; }
    QStringList CandidatePaths() const { return m_candidates; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* BuildChoice();
    QWidget* BuildPreview();
    void Capture();
    void QualityChosen();
    void CheckClicked(int index);
    void OnMinSize(int index);
    void SetMeasuring(bool measuring);
    void Zoom(bool fullsize);
    void Accept();

    QString m_tempFolder;
    PictureSource m_picture;
    QStringList m_candidates;
    QString m_chosenPath;
    bool m_captured = false;

    QWidget* m_background = nullptr;
    GetImgSize* m_isz = nullptr;
    std::array<Check*, 3> m_check {};
    QComboBox* m_qa = nullptr;
    ScrollingPic* m_ri = nullptr;
    QPushButton* m_zoom1 = nullptr;
    QPushButton* m_zoom2 = nullptr;
    QLabel* m_contImg = nullptr;
    QTimer* m_timer1 = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_okFocused = false;
};
