#pragma once

#include <QDialog>
#include <memory>

class QShowEvent;

namespace Ui {
class TfrmPorts;
}

// "Select Serial Port": the user picks one of COM1 .. COM256.
class TfrmPorts : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPortCount = 256;

    explicit TfrmPorts(QWidget* parent = nullptr);
    ~TfrmPorts() override;

    // Ignored unless 1 <= port <= 256.
    void SetPort(int port);
    int GetPort() const { return port_; }

    // Selects the kept port in the list; runs on every show.
    void FormShow();

    Ui::TfrmPorts& Form() { return *ui_; }

public slots:
    // OK: the selected entry becomes the kept port.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TfrmPorts> ui_;
    int port_ = 1;
};
