// A grid on a configuration data set: checkbox, pick-list, number and
// read-only columns by the kind of each field, two-level titles, the widths
// of the fields (more where a title or a calculated text needs it in the
// font in use), and an ellipsis button on calculated columns.
#pragma once

#include <QList>
#include <QTableView>

class TConfigDataSet;

class TConfigGrid : public QTableView
{
    Q_OBJECT

public:
    TConfigGrid(const TConfigDataSet &dataSet, QAbstractItemModel *model, QWidget *parent = nullptr);

    // Paints the given columns on the button-face colour.
    void SetButtonFaceColumns(const QList<int> &columns);
    // Keeps a cell editor open on the current cell: it opens when a cell
    // becomes current and opens again when Enter or Escape has closed it or
    // the grid takes the focus back.
    void SetEditorAlwaysShown();

    // Enables or disables the ellipsis buttons of the calculated columns.
    void SetEllipsisEnabled(bool enabled);

    // Takes the value of an open cell editor into the data set and closes it.
    void FinishEdit();
    // Makes the first row current, if there is one.
    void MoveToFirstRow();

signals:
    void ellipsisClicked(int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct TColumnWidth
    {
        int width;              // the field's
        QString calculatedText; // shown beside the button, if any
    };

    // Takes the sizes that depend on the fonts in use; again when they change.
    void FitToFont();

    QList<TColumnWidth> m_columns;
    bool m_editorAlwaysShown = false;
};
