#pragma once

#include <QDialog>
#include <memory>

class PmrImage;

namespace Ui {
class TfrmFileInfo;
}

// File Information: the current programming file's name, the radio model
// and radio type its image describes, and its size. Reads the image only.
class TfrmFileInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFileInfo(const PmrImage& image, QWidget* parent = nullptr);
    ~TfrmFileInfo() override;
    Ui::TfrmFileInfo& Form() { return *ui_; }

    // Runs on every show: empties the fields, then fills in the file name,
    // the personality, the radio type and the size, in that order.
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void btnCloseClick();

    std::unique_ptr<Ui::TfrmFileInfo> ui_;
    const PmrImage& image_;
};
