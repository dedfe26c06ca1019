// The result of "Сравнить с контроллером": what was compared, and what
// differs as a list the user can select and copy (Ctrl+C, or "Копировать"
// for all of it), each line "field: value in the window → in the
// controller", or "Нет различий". The dialog only shows; the station made
// the comparison.
#pragma once

#include <QDialog>
#include <QList>

class QLabel;
class QPlainTextEdit;
class QPushButton;
struct TControllerComparison;

class TfmCompare : public QDialog
{
    Q_OBJECT

public:
    explicit TfmCompare(const TControllerComparison &Comparison, QWidget *parent = nullptr);

    // "Сравнены: конфигурация, таблицы резервуаров 2, 5." for the tanks
    // whose tables were compared.
    static QString ScopeText(const QList<int> &TankNos);

    QLabel *lblScope;
    QPlainTextEdit *mDifferences;
    QPushButton *btnCopy;
    QPushButton *btnClose;

private:
    void btnCopyClick();
};
