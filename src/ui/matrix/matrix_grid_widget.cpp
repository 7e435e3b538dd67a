#include "ui/matrix/matrix_grid_widget.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <climits>

#include "editor/editor.h"

namespace zem {

namespace {
// A section holds its cell plus the line at its right or bottom edge, as
// the table view draws its lines inside the sections.
constexpr int kLine = 1;

// The grid's data cells and header row and column, as a model for the view.
MatrixGridModel* ModelOf(const Editor& editor, GridKind kind, QObject* parent) {
  const ConfigModel& model = editor.Model();
  switch (kind) {
    case GridKind::Groups:
      return new MatrixGridModel(nullptr, &model.unit.GroupMarks, model.screen.GroupLabels, kind, model,
                                 parent);
    case GridKind::Restrictions:
      return new MatrixGridModel(nullptr, &model.unit.RestrictionMarks, model.screen.RestrictionLabels, kind,
                                 model, parent);
    case GridKind::Favorites:
      break;
  }
  return new MatrixGridModel(&editor.favorites, nullptr, model.screen.FavoriteLabels, kind, model, parent);
}
}  // namespace

QColor GridLineColor(const QWidget& widget) {
  QStyleOptionViewItem option;
  option.initFrom(&widget);
  const int hint = widget.style()->styleHint(QStyle::SH_Table_GridLineColor, &option, &widget);
  return QColor::fromRgba(static_cast<QRgb>(hint));
}

void PaintCellLines(QPainter& painter, const QRect& section, const QColor& color) {
  painter.fillRect(QRect(section.right(), section.top(), kLine, section.height()), color);
  painter.fillRect(QRect(section.left(), section.bottom(), section.width(), kLine), color);
}

MatrixHeaderView::MatrixHeaderView(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {
  setSectionsClickable(false);
  setSectionsMovable(false);
  setHighlightSections(false);
  setMinimumSectionSize(1);
  setSectionResizeMode(QHeaderView::Fixed);
}

void MatrixHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid() || !model()) return;
  const QWidget& grid = parentWidget() ? *parentWidget() : static_cast<const QWidget&>(*this);
  const QString text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
  const CellColors colors = orientation() == Qt::Horizontal ? HeaderRowColors(palette(), isEnabled())
                                                            : LabelColumnColors(palette(), isEnabled());
  const QRect cell = rect.adjusted(0, 0, -kLine, -kLine);
  PaintGridCell(*painter, cell, text, colors, grid.font());
  PaintCellLines(*painter, rect, GridLineColor(grid));
}

MatrixCornerCell::MatrixCornerCell(const MatrixGridModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setObjectName("MatrixCornerCell");
}

void MatrixCornerCell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QWidget& grid = parentWidget() ? *parentWidget() : static_cast<const QWidget&>(*this);
  PaintGridCell(painter, rect().adjusted(0, 0, -kLine, -kLine), model_.CornerText(),
                CornerColors(palette(), isEnabled()), grid.font());
  PaintCellLines(painter, rect(), GridLineColor(grid));
}

MatrixGridWidget::MatrixGridWidget(const Editor& editor, GridKind kind, QWidget* parent)
    : QTableView(parent), model_(ModelOf(editor, kind, this)) {
  setHorizontalHeader(new MatrixHeaderView(Qt::Horizontal, this));
  setVerticalHeader(new MatrixHeaderView(Qt::Vertical, this));
  setModel(model_);
  setItemDelegate(new MatrixGridDelegate(kind, this));
  corner_ = new MatrixCornerCell(*model_, this);
  setCornerButtonEnabled(false);

  horizontalHeader()->setDefaultSectionSize(kDataColumnWidth + kLine);
  horizontalHeader()->setFixedHeight(kRowHeight + kLine);
  verticalHeader()->setDefaultSectionSize(kRowHeight + kLine);
  verticalHeader()->setFixedWidth(kLabelColumnWidth + kLine);
  for (QHeaderView* header : {horizontalHeader(), verticalHeader()})
    header->viewport()->installEventFilter(this);
  corner_->installEventFilter(this);

  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setShowGrid(true);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setAutoScroll(true);
  if (model_->rowCount() > 0 && model_->columnCount() > 0) setCurrentIndex(model_->index(0, 0));
}

void MatrixGridWidget::Refresh() {
  model_->Refresh();
  corner_->update();
}

GridCellPos MatrixGridWidget::SelectedCell() const {
  int top = INT_MAX;
  int left = INT_MAX;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    top = std::min(top, range.top());
    left = std::min(left, range.left());
  }
  if (top == INT_MAX) {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return GridCellPos{};
    return GridCellPos{current.column() + 1, current.row() + 1};
  }
  return GridCellPos{left + 1, top + 1};
}

GridCellPos MatrixGridWidget::SelectionFirst() const { return SelectedCell(); }

GridCellPos MatrixGridWidget::SelectionLast() const {
  int bottom = -1;
  int right = -1;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    bottom = std::max(bottom, range.bottom());
    right = std::max(right, range.right());
  }
  if (bottom < 0) return SelectedCell();
  return GridCellPos{right + 1, bottom + 1};
}

GridCellPos MatrixGridWidget::AnchorCell() const {
  const GridCellPos first = SelectionFirst();
  const GridCellPos last = SelectionLast();
  if (anchor_.isValid()) {
    const GridCellPos anchor{anchor_.column() + 1, anchor_.row() + 1};
    if (anchor.Column >= first.Column && anchor.Column <= last.Column && anchor.Row >= first.Row &&
        anchor.Row <= last.Row)
      return anchor;
  }
  return first;
}

void MatrixGridWidget::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QTableView::selectionChanged(selected, deselected);
  const GridCellPos first = SelectionFirst();
  const GridCellPos last = SelectionLast();
  // One cell selected is where any range begins.
  if (first == last) {
    anchor_ = model_->index(first.Row - 1, first.Column - 1);
    return;
  }
  if (!oneColumn_ || !anchor_.isValid()) return;
  // A zone takes one source for audio and one for video: a favorites range
  // is one column, the anchor's.
  if (first.Column == last.Column && first.Column == anchor_.column() + 1) return;
  const QItemSelection column(model_->index(first.Row - 1, anchor_.column()),
                              model_->index(last.Row - 1, anchor_.column()));
  selectionModel()->select(column, QItemSelectionModel::ClearAndSelect);
}

// The cell colours are the cells' own: a selected range shows as a frame.
void MatrixGridWidget::paintEvent(QPaintEvent* event) {
  QTableView::paintEvent(event);
  if (!RangeSelected()) return;
  const GridCellPos first = SelectionFirst();
  const GridCellPos last = SelectionLast();
  const QRect topLeft = visualRect(model_->index(first.Row - 1, first.Column - 1));
  const QRect bottomRight = visualRect(model_->index(last.Row - 1, last.Column - 1));
  QPainter painter(viewport());
  painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
  painter.drawRect(topLeft.united(bottomRight).adjusted(1, 1, -1, -1));
}

GridCellPos MatrixGridWidget::CellAtViewport(QPoint pos) const {
  const int column = columnAt(pos.x());
  const int row = rowAt(pos.y());
  return GridCellPos{column < 0 ? -1 : column + 1, row < 0 ? -1 : row + 1};
}

GridCellPos MatrixGridWidget::CellAtGridPoint(QPoint point) const {
  const QRect cornerRect = corner_->geometry();
  if (cornerRect.contains(point)) return GridCellPos{0, 0};
  const QHeaderView* top = horizontalHeader();
  if (top->geometry().contains(point)) {
    const int column = top->logicalIndexAt(top->viewport()->mapFrom(this, point).x());
    return GridCellPos{column < 0 ? -1 : column + 1, 0};
  }
  const QHeaderView* left = verticalHeader();
  if (left->geometry().contains(point)) {
    const int row = left->logicalIndexAt(left->viewport()->mapFrom(this, point).y());
    return GridCellPos{0, row < 0 ? -1 : row + 1};
  }
  if (viewport()->geometry().contains(point)) return CellAtViewport(viewport()->mapFrom(this, point));
  return GridCellPos{-1, -1};
}

QRect MatrixGridWidget::CellRect(GridCellPos cell) const {
  if (!model_->Contains(cell.Column, cell.Row)) return {};
  // Like the data cells, fixed cells are given without their line.
  if (cell.Column == 0 && cell.Row == 0) return corner_->geometry().adjusted(0, 0, -kLine, -kLine);
  if (cell.Row == 0) {
    const QHeaderView* top = horizontalHeader();
    const int x = top->sectionViewportPosition(cell.Column - 1);
    const QRect r(top->viewport()->mapTo(this, QPoint(x, 0)),
                  QSize(top->sectionSize(cell.Column - 1) - kLine, top->height() - kLine));
    return r.intersected(top->geometry());
  }
  if (cell.Column == 0) {
    const QHeaderView* left = verticalHeader();
    const int y = left->sectionViewportPosition(cell.Row - 1);
    const QRect r(left->viewport()->mapTo(this, QPoint(0, y)),
                  QSize(left->width() - kLine, left->sectionSize(cell.Row - 1) - kLine));
    return r.intersected(left->geometry());
  }
  const QRect r = visualRect(model_->index(cell.Row - 1, cell.Column - 1));
  const QRect inGrid(viewport()->mapTo(this, r.topLeft()), r.size());
  return inGrid.intersected(viewport()->geometry());
}

void MatrixGridWidget::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (event->button() == Qt::RightButton) {
    // The popup's target; the selection stays where it is.
    const GridCellPos cell = CellAtViewport(pos);
    event->accept();
    emit CellRightPressed(cell.Column, cell.Row);
    return;
  }
  if (event->button() != Qt::LeftButton || !indexAt(pos).isValid()) {
    event->accept();
    return;
  }
  leftPressPending_ = true;
  if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = indexAt(pos);
  QTableView::mousePressEvent(event);
}

void MatrixGridWidget::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !leftPressPending_) return;
  leftPressPending_ = false;
  const GridCellPos cell = SelectedCell();
  emit CellClicked(cell.Column, cell.Row);
}

void MatrixGridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::RightButton) {
    const GridCellPos cell = CellAtViewport(event->position().toPoint());
    emit CellRightPressed(cell.Column, cell.Row);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  // The first click has raised CellClicked already; the release that follows
  // raises nothing.
  leftPressPending_ = false;
  if (!indexAt(event->position().toPoint()).isValid()) return;
  const GridCellPos cell = SelectedCell();
  emit CellDoubleClicked(cell.Column, cell.Row);
}

void MatrixGridWidget::keyboardSearch(const QString& /*search*/) {}

namespace {

bool IsNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}

}  // namespace

void MatrixGridWidget::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (key == Qt::Key_Menu || (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
    event->accept();
    RequestKeyboardMenu();
    return;
  }
  if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
      modifiers == Qt::NoModifier) {
    event->accept();
    if (activateKeys_ == ActivateKeys::OpenMenu) {
      RequestKeyboardMenu();
    } else if (RangeSelected()) {
      emit RangeActivated();
    } else if (currentIndex().isValid()) {
      const GridCellPos cell = SelectedCell();
      emit CellDoubleClicked(cell.Column, cell.Row);
    }
    return;
  }
  // The current cell is the marker's and the popup's target: only the
  // navigation keys move it. Letters and Ctrl+A (select all) do nothing
  // here and go on to the window.
  if (!IsNavigationKey(key)) {
    event->ignore();
    return;
  }
  const QModelIndex before = currentIndex();
  QTableView::keyPressEvent(event);
  const QModelIndex after = currentIndex();
  if (!(modifiers & Qt::ShiftModifier)) anchor_ = after;
  if (after.isValid() && after != before) {
    const GridCellPos cell = SelectedCell();
    emit CellClicked(cell.Column, cell.Row);
  }
}

void MatrixGridWidget::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  if (event->reason() != QContextMenuEvent::Keyboard) {
    emit ContextMenuRequest(event->globalPos(), false);
    return;
  }
  RequestKeyboardMenu();
}

// From the keyboard the menu opens at the selected cell, brought into view.
void MatrixGridWidget::RequestKeyboardMenu() {
  const GridCellPos selected = SelectedCell();
  if (selected.Column >= 1 && selected.Row >= 1)
    scrollTo(model_->index(selected.Row - 1, selected.Column - 1));
  const QRect cell = CellRect(selected);
  const QPoint local = cell.isEmpty() ? rect().center() : cell.center();
  emit ContextMenuRequest(mapToGlobal(local), true);
}

bool MatrixGridWidget::eventFilter(QObject* watched, QEvent* event) {
  QWidget* fixedPart = qobject_cast<QWidget*>(watched);
  const bool isFixed = fixedPart && (fixedPart == corner_ || fixedPart == horizontalHeader()->viewport() ||
                                     fixedPart == verticalHeader()->viewport());
  if (!isFixed) return QTableView::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::RightButton) break;
      const GridCellPos cell = CellAtGridPoint(fixedPart->mapTo(this, mouse->position().toPoint()));
      emit CellRightPressed(cell.Column, cell.Row);
      return true;
    }
    case QEvent::ContextMenu: {
      auto* menu = static_cast<QContextMenuEvent*>(event);
      emit ContextMenuRequest(menu->globalPos(), menu->reason() == QContextMenuEvent::Keyboard);
      return true;
    }
    default:
      break;
  }
  return QTableView::eventFilter(watched, event);
}

void MatrixGridWidget::updateGeometries() {
  QTableView::updateGeometries();
  if (!corner_) return;
  corner_->setGeometry(frameWidth(), frameWidth(), verticalHeader()->width(), horizontalHeader()->height());
  corner_->raise();
}

}  // namespace zem
