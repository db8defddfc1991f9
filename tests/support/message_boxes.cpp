#include "support/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>

namespace vemora::testing {

MessageBoxCloser::MessageBoxCloser() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        boxes_.push_back({box->windowTitle(), box->text(), box->informativeText(), box->icon(),
                          box->standardButtons(), box->isModal(), box->parentWidget()});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    });
    timer_.start();
}

} // namespace vemora::testing
