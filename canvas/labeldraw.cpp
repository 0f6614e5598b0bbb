#include "canvas/labeldraw.h"

#include "canvas/tableedit.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

using namespace TableEdit;

namespace {

Qt::CursorShape cursorForHandle(int handle)
{
    switch (handle) {
    case TopLeft:
    case BottomRight:
        return Qt::SizeFDiagCursor;
    case TopMiddle:
    case BottomMiddle:
        return Qt::SizeVerCursor;
    case TopRight:
    case BottomLeft:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::SizeHorCursor;
    }
}

QRectF scaled(const QRectF& r, double k)
{
    const double x = k * r.x();
    const double y = k * r.y();
    return QRectF(x, y, k * (r.x() + r.width()) - x, k * (r.y() + r.height()) - y);
}

const QColor kTableColor(255, 0, 0, 255);

} // namespace

labeldraw::labeldraw(QWidget* parent) : QLabel(parent)
{
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

QRectF labeldraw::getRect() const
{
    return tableRect;
}

QVector<QRectF> labeldraw::getLines() const
{
    return lines;
}

void labeldraw::setRectAndLines(const QRectF& rect, const QVector<QRectF>& newLines)
{
    requestRepaint();
    if (drawingRect) {
        drawingRect = false;
        unsetCursor();
    }
    tableRect = rect;
    cleared_ = false;
    rebuildHandles();
    lines = newLines;
    requestRepaint();
}

void labeldraw::drawrect()
{
    drawMode = 1;
}

void labeldraw::drawline()
{
    drawMode = 2;
}

void labeldraw::zoomin()
{
    scaleGeometry(1.25);
}

void labeldraw::zoomout()
{
    scaleGeometry(0.8);
}

void labeldraw::delrec()
{
    requestRepaint();
    cleared_ = true;
    requestRepaint();
    emit updateRecandLine();
}

void labeldraw::delline()
{
    if (selectedLine_ == 0)
        return;
    // After a page change the selection may name a position the new page does not have.
    if (!selectionIsValid()) {
        selectedLine_ = 0;
        return;
    }
    requestRepaint();
    lines.removeAt(selectedLine_ - 1);
    requestRepaint();
    selectedLine_ = 0;
    requestRepaint();
    emit updateRecandLine();
}

void labeldraw::scaleGeometry(double k)
{
    requestRepaint();
    tableRect = scaled(tableRect, k);
    for (QRectF& line : lines)
        line = scaled(line, k);
    rebuildHandles();
    rebuildEdgeBands();
    requestRepaint();
}

void labeldraw::requestRepaint()
{
    if (cleared_)
        resetCleared();
    update();
}

void labeldraw::resetCleared()
{
    drawMode = 1;
    lines.clear();
    handles.clear();
    tableRect = QRectF();
    hasRect = false;
}

void labeldraw::rebuildHandles()
{
    handles = resizeHandles(tableRect);
}

void labeldraw::rebuildEdgeBands()
{
    topBand = topEdgeBand(tableRect);
    bottomBand = bottomEdgeBand(tableRect);
}

void labeldraw::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF pos = event->position();

    // Without a committed table the only thing a press can do is start drawing one.
    if (!hasRect) {
        if (drawMode != 1)
            return;
        cleared_ = false;
        drawingRect = true;
        rubberBand = QRectF(pos, QSizeF(0, 0));
        requestRepaint();
        setCursor(Qt::CrossCursor);
        return;
    }

    lastPos = pos;
    rebuildEdgeBands();
    if (grabLine(pos) || startNewLine(pos))
        return;
    if (tableRect.contains(pos))
        requestRepaint();
    for (const QRectF& handle : std::as_const(handles)) {
        if (handle.contains(pos)) {
            resizingRect = true;
            return;
        }
    }
    movingRect = tableRect.contains(pos);
}

bool labeldraw::grabLine(const QPointF& pos)
{
    const int previousSelection = selectedLine_;
    if (overLine) {
        for (int i = 0; i < lines.size(); ++i) {
            if (lineHitZone(lines[i]).contains(pos)) {
                requestRepaint();
                setCursor(Qt::SplitHCursor);
                selectedLine_ = i + 1;
                draggingLine = true;
                requestRepaint();
                return true;
            }
        }
        draggingLine = false;
    }
    selectedLine_ = 0;
    // The line that lost its selection must stop showing as selected.
    if (previousSelection != 0)
        update();
    return false;
}

bool labeldraw::startNewLine(const QPointF& pos)
{
    if (!overEdgeBand || drawMode != 2)
        return false;
    if (topBand.contains(pos)) {
        newLineFromTop = true;
        newLineFromBottom = false;
    } else if (bottomBand.contains(pos)) {
        newLineFromTop = false;
        newLineFromBottom = true;
    } else {
        return false;
    }
    newLineX = static_cast<float>(pos.x());
    return true;
}

void labeldraw::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    if (drawingRect) {
        continueRectDrawing(pos);
        return;
    }
    rebuildEdgeBands();
    if (movingRect)
        continueMove(pos);
    else if (resizingRect)
        continueResize(pos);
    else if (newLineFromTop)
        continueNewLine(pos, true);
    else if (newLineFromBottom)
        continueNewLine(pos, false);
    else if (draggingLine)
        continueLineDrag(pos);
    else
        hover(pos);
}

void labeldraw::continueRectDrawing(const QPointF& pos)
{
    lines.clear();
    rubberBand.setSize(QSizeF(pos.x() - rubberBand.x(), pos.y() - rubberBand.y()));
    tableRect = normalizedDrag(rubberBand.topLeft(), QPointF(rubberBand.width(), rubberBand.height()));
    rebuildHandles();
    requestRepaint();
}

void labeldraw::continueMove(const QPointF& pos)
{
    const QPointF delta = pos - lastPos;
    tableRect.translate(delta);
    for (QRectF& line : lines)
        line.translate(delta);
    lastPos = pos;
    rebuildHandles();
    requestRepaint();
}

void labeldraw::continueResize(const QPointF& pos)
{
    if (activeHandle < 0 || activeHandle >= kHandleCount)
        return;
    const float dx = static_cast<float>(pos.x() - lastPos.x());
    const float dy = static_cast<float>(pos.y() - lastPos.y());
    // A refused step keeps lastPos, so the edge catches up once the mouse is back in range.
    if (!resizeStep(activeHandle, dx, dy, pos.x(), tableRect, lines))
        return;
    lastPos = pos;
    rebuildHandles();
    requestRepaint();
}

void labeldraw::continueNewLine(const QPointF& pos, bool fromTop)
{
    requestRepaint();
    setCursor(Qt::CrossCursor);
    // Only a line pulled into the table (down from the top, up from the bottom) is valid.
    const bool intoTable = fromTop ? pos.y() >= lastPos.y() : pos.y() <= lastPos.y();
    const double top = tableRect.y();
    if (intoTable) {
        newLine = QRectF(newLineX, top, 0, tableRect.height());
        newLineValid = true;
    } else {
        newLine = QRectF(newLineX, top, pos.x() - newLineX, pos.y() - top);
        newLineValid = false;
    }
    lastPos = pos;
    requestRepaint();
}

void labeldraw::continueLineDrag(const QPointF& pos)
{
    if (lines.isEmpty() || !selectionIsValid()) {
        lastPos = pos;
        return;
    }
    const double mx = pos.x();
    const double left = tableRect.x();
    const double right = tableRect.x() + tableRect.width();
    if (mx > right - kLineEdgeGap || mx < left + kLineEdgeGap)
        return;
    // With more lines, the dragged one may not run onto its reference line (the first line,
    // or the second when the first is the one being dragged).
    if (lines.size() >= 2) {
        const QRectF& ref = lines[selectedLine_ == 1 ? 1 : 0];
        if (ref.x() - kLineRefGap < mx && mx < ref.x() + ref.width() + kLineRefGap)
            return;
    }
    requestRepaint();
    lines[selectedLine_ - 1].translate(mx - lastPos.x(), 0);
    requestRepaint();
    lastPos = pos;
}

void labeldraw::hover(const QPointF& pos)
{
    if (!hasRect)
        return;
    for (int i = 0; i < handles.size(); ++i) {
        if (handles[i].contains(pos)) {
            setCursor(cursorForHandle(i));
            activeHandle = i;
            return;
        }
    }
    if (topBand.contains(pos) || bottomBand.contains(pos)) {
        setCursor(Qt::CrossCursor);
        overEdgeBand = true;
        return;
    }
    overEdgeBand = false;
    for (const QRectF& line : std::as_const(lines)) {
        if (lineHitZone(line).contains(pos)) {
            setCursor(Qt::SplitHCursor);
            overLine = true;
            return;
        }
        overLine = false;
    }
    if (tableRect.contains(pos)) {
        setCursor(Qt::SizeAllCursor);
        activeHandle = Inside;
    } else {
        setCursor(Qt::ArrowCursor);
        activeHandle = Elsewhere;
    }
}

void labeldraw::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && drawingRect) {
        unsetCursor();
        drawingRect = false;
        if (isLargeEnoughToCommit(tableRect))
            hasRect = true;
    }
    if ((newLineFromTop || newLineFromBottom) && newLineValid) {
        requestRepaint();
        lines.append(newLine);
        selectedLine_ = 0;
        requestRepaint();
    }
    movingRect = false;
    resizingRect = false;
    overEdgeBand = false;
    newLineFromTop = false;
    newLineFromBottom = false;
    newLineValid = false;
    draggingLine = false;
    // Drag previews (the new line, the dragged line's marker) must not outlive the drag.
    update();
    emit updateRecandLine();
}

void labeldraw::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (cleared_)
        return;

    QPainter painter(this);
    painter.setPen(kTableColor);
    // An all-zero rectangle is no table (the state before anything was drawn or installed).
    if (tableRect != QRectF(0, 0, 0, 0)) {
        paintOutline(painter, tableRect);
        for (const QRectF& handle : std::as_const(handles))
            paintOutline(painter, handle);
    }

    if (!drawingRect) {
        if (newLineFromTop || newLineFromBottom) {
            painter.setPen(Qt::DotLine);
            paintOutline(painter, newLine);
        }
        for (int i = 0; i < lines.size(); ++i) {
            if (i + 1 == selectedLine_)
                painter.setPen(Qt::DotLine);
            else
                painter.setPen(kTableColor);
            paintOutline(painter, lines[i]);
        }
        if (draggingLine && selectionIsValid()) {
            painter.setPen(Qt::DotLine);
            const QRectF marker = lines[selectedLine_ - 1].normalized();
            painter.drawRects(&marker, 1);
        }
    }

    if (hasFocus())
        paintFocusFrame(painter);
}

void labeldraw::paintOutline(QPainter& painter, const QRectF& r)
{
    const QRectF outline = r.normalized().adjusted(0, 0, -1, -1);
    painter.drawRects(&outline, 1);
}

void labeldraw::paintFocusFrame(QPainter& painter)
{
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Dark);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
