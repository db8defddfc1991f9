// Watches for the message boxes the program shows and closes each as a user would, with
// its OK button, keeping what it showed.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

namespace vemora::testing {

struct ShownBox {
    QString title;
    QString text;
    // What the box shows under the text.
    QString informative;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
    QWidget* owner = nullptr;
};

class MessageBoxCloser {
public:
    MessageBoxCloser();
    const std::vector<ShownBox>& Boxes() const { return boxes_; }

private:
    QObject context_;
    QTimer timer_;
    std::vector<ShownBox> boxes_;
};

} // namespace vemora::testing
