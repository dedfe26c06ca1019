// A single-line box for a whole number that may also hold no value at all.
//
// Up and Down keys and the mouse wheel change the value by one, an edit of
// the user's like typing (textEdited). Values far beyond 32 bits fit, so
// that the caller can judge the range itself.
#pragma once

#include <QLineEdit>
#include <optional>

class TNumericEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TNumericEdit(QWidget *parent = nullptr);

    // The number typed, none when the box is empty.
    std::optional<qint64> Value() const;
    void SetValue(std::optional<qint64> value);

signals:
    void valueChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void Step(int delta);
};
