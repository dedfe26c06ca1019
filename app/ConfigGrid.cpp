#include "ConfigGrid.h"

#include "ButtonFaceDelegate.h"
#include "EllipsisDelegate.h"
#include "GridHeader.h"
#include "NumberDelegate.h"
#include "PickListDelegate.h"
#include "config/ConfigDataSet.h"

#include <QMouseEvent>

namespace {
constexpr int kDefaultColumnWidth = 64;
}

TConfigGrid::TConfigGrid(const TConfigDataSet &dataSet, QAbstractItemModel *model, QWidget *parent)
    : QTableView(parent)
{
    setHorizontalHeader(new TGridHeader(this));
    setModel(model);
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(10);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                    | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);

    for (int column = 0; column < dataSet.columnCount(); ++column) {
        const TDataSetField &field = dataSet.Field(column);
        m_columns.append({field.width > 0 ? field.width : kDefaultColumnWidth,
                          field.kind == TDataSetField::Calculated ? field.calculatedText.toString() : QString()});
        if (field.kind == TDataSetField::Calculated) {
            auto *delegate = new TEllipsisDelegate(this);
            connect(delegate, &TEllipsisDelegate::buttonClicked, this,
                    [this](const QModelIndex &index) { emit ellipsisClicked(index.row()); });
            setItemDelegateForColumn(column, delegate);
        } else if (field.readOnly) {
            continue;
        } else if (field.kind == TDataSetField::Choice) {
            setItemDelegateForColumn(column, new TPickListDelegate(field.pickList(), this));
        } else if (field.kind == TDataSetField::Number) {
            setItemDelegateForColumn(column, new TNumberDelegate(this));
        }
    }
    FitToFont();
}

// Rows as high as the font needs; every column at least its field's width,
// wider where its title or its calculated text beside the button needs more.
void TConfigGrid::FitToFont()
{
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    for (int column = 0; column < m_columns.size(); ++column) {
        const TColumnWidth &shown = m_columns.at(column);
        int width = shown.width;
        if (!shown.calculatedText.isEmpty()) {
            width = qMax(width, fontMetrics().horizontalAdvance(shown.calculatedText)
                                    + TEllipsisDelegate::ButtonRect(QRect(0, 0, 100, 20)).width()
                                    + 4 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this));
        }
        setColumnWidth(column, width);
    }
    static_cast<TGridHeader *>(horizontalHeader())->FitSectionsToTitles();
}

void TConfigGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        FitToFont();
}

void TConfigGrid::SetButtonFaceColumns(const QList<int> &columns)
{
    auto *delegate = new TButtonFaceDelegate(this);
    for (int column : columns)
        setItemDelegateForColumn(column, delegate);
}

void TConfigGrid::SetEllipsisEnabled(bool enabled)
{
    for (TEllipsisDelegate *delegate : findChildren<TEllipsisDelegate *>(Qt::FindDirectChildrenOnly))
        delegate->SetButtonEnabled(enabled);
    viewport()->update();
}

void TConfigGrid::SetEditorAlwaysShown()
{
    m_editorAlwaysShown = true;
    setEditTriggers(editTriggers() | QAbstractItemView::CurrentChanged);
}

void TConfigGrid::mousePressEvent(QMouseEvent *event)
{
    // A checkbox or a cell's button takes the press before the view would
    // make the cell current; make it current first, so that the click acts
    // on the row it was made in. Editable cells become current as usual
    // (made current here they would count as clicked while selected).
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && !(index.flags() & Qt::ItemIsEditable) && index != currentIndex())
        setCurrentIndex(index);
    QTableView::mousePressEvent(event);
}

void TConfigGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    // Enter and Escape close the editor and hand the focus to the grid, as
    // does its window coming back; the editor opens again on the same cell.
    if (m_editorAlwaysShown && state() == NoState && (currentIndex().flags() & Qt::ItemIsEditable))
        edit(currentIndex());
}

void TConfigGrid::FinishEdit()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    // Cell editors are children of the viewport; a closed one is hidden.
    const auto children = viewport()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *editor : children) {
        if (editor->isHidden())
            continue;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TConfigGrid::MoveToFirstRow()
{
    if (model()->rowCount() > 0)
        setCurrentIndex(model()->index(0, qMax(0, currentIndex().column())));
}
