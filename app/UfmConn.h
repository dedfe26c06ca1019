// The connection settings dialog: the number of the COM port the link uses.
//
// The dialog only edits a number and hands it back; the main window applies
// it to the terminal and the settings file. Below the number it shows which
// device that number reaches on this machine.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TNumericEdit;

class TfmConn : public QDialog
{
    Q_OBJECT

public:
    explicit TfmConn(QWidget *parent = nullptr);

    // The number in eComPort, limited to the range of a port number; 0 when
    // the field is empty (OK is disabled then).
    int PortNumber() const;
    void SetPortNumber(int portNumber);

    QLabel *Label4;
    TNumericEdit *eComPort;
    // The device the number reaches; the full line is also its tool tip.
    QLabel *lblDevice;
    QPushButton *btnOk;
    QPushButton *Button2;

private:
    void eComPortChange();
};
