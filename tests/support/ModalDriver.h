// Drives the modal dialogs a test opens, with a time limit.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <functional>

// Hands every modal dialog of type Dialog that opens to handle; one that is
// still open 5 s later is rejected, so that a regression fails instead of
// hanging.
template<typename Dialog>
class ModalDriver : public QObject
{
public:
    explicit ModalDriver(std::function<void(Dialog *)> handle = [](Dialog *dialog) { dialog->reject(); })
        : m_handle(std::move(handle))
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog == m_handled)
                return;
            m_handled = dialog;
            ++Opened;
            m_handle(dialog);
            if (dialog->isVisible())
                QTimer::singleShot(5000, dialog, [this, dialog] {
                    LeftOpen = true;
                    dialog->reject();
                });
        });
        m_poll.start(10);
    }

    int Opened = 0;
    bool LeftOpen = false;

private:
    std::function<void(Dialog *)> m_handle;
    QTimer m_poll;
    QPointer<Dialog> m_handled;
};
