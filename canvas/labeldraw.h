#pragma once

#include "canvas/tableedit.h"

#include <QLabel>
#include <QPointF>
#include <QRectF>
#include <QVector>

class QPainter;

// What a press on the canvas starts while no table is committed, chosen by the tool buttons.
enum class DrawMode {
    None,      // nothing: the state before a tool was chosen
    Rectangle, // draw the table rectangle
    Lines,     // pull column lines out of the table's top or bottom edge
};

// A finished mouse edit of the table: one drag from press to release.
enum class CanvasEdit { DrawTable, MoveTable, ResizeTable, AddLine, MoveLine };

// The page canvas: shows the page image (the palette's Window brush) and, over it, the table
// the user draws: one rectangle, its eight resize handles and the vertical column lines.
// All geometry is in canvas pixels (page pixels × the window's zoom factor).
// Every mouse release and every removal emits updateRecandLine(). A drag that changed the
// geometry is also announced as one edit: editStarted() at its press, editFinished() after the
// release's updateRecandLine(); Escape during a drag puts the geometry back as it was at the
// press, and that drag then announces no edit.
class labeldraw : public QLabel {
    Q_OBJECT

public:
    explicit labeldraw(QWidget* parent = nullptr);

    QRectF getRect() const;
    QVector<QRectF> getLines() const;
    // Installs a page's table (page change): ends a rectangle drawing in progress, leaves
    // hasRect, drawMode and selectedLine as they are.
    void setRectAndLines(const QRectF& rect, const QVector<QRectF>& lines);

    // Written directly by the main window on a page change (DrawMode::Rectangle, hasRect false).
    DrawMode drawMode = DrawMode::None;
    bool hasRect = false; // a drawn rectangle was committed: editing is allowed

    int selectedLine() const { return selectedLine_; }
    bool isCleared() const { return cleared_; }
    // A mouse drag is under way (from a press that started one to its release).
    bool isDragging() const;
    // Scales the drawn geometry by k, as zooming the page image by k needs.
    void rescale(double k) { scaleGeometry(k); }

public slots:
    void drawrect();
    void drawline();
    void zoomin();
    void zoomout();
    void delrec();
    void delline();

signals:
    void updateRecandLine();
    void editStarted();
    void editFinished(CanvasEdit edit);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The drawn geometry, kept at the press of a drag for Escape and to tell an edit.
    struct Geometry {
        QRectF rect;
        QVector<QRectF> lines;
        bool cleared = false;
        bool sameShapeAs(const Geometry& other) const;
    };
    Geometry current() const;

    void scaleGeometry(double k);
    void requestRepaint(); // a repaint; while cleared it first resets the geometry
    void resetCleared();
    void rebuildHandles();
    void rebuildEdgeBands();

    // Steps of a mouse move, by what the press started.
    void continueRectDrawing(const QPointF& pos);
    void continueMove(const QPointF& pos);
    void continueResize(const QPointF& pos);
    void continueNewLine(const QPointF& pos, bool validWhenDown);
    void continueLineDrag(const QPointF& pos);
    void hover(const QPointF& pos);
    // Press on a line: selects it and starts dragging it. False when no line is hit.
    bool grabLine(const QPointF& pos);
    bool startNewLine(const QPointF& pos);
    void beginEdit(const Geometry& before);
    void cancelDrag();
    void endDragFlags();

    void paintOutline(QPainter& painter, const QRectF& r);
    void paintFocusFrame(QPainter& painter);
    bool selectionIsValid() const { return selectedLine_ >= 1 && selectedLine_ <= lines.size(); }

    QRectF tableRect;
    QVector<QRectF> lines;
    int selectedLine_ = 0; // 1-based index into lines, 0 = none
    bool cleared_ = false;

    // Interaction state.
    bool drawingRect = false;
    QRectF rubberBand; // press point and signed extent of the rectangle being drawn
    QPointF lastPos;   // last mouse position a drag has taken into account
    bool movingRect = false;
    bool resizingRect = false;
    TableEdit::Zone activeHandle = TableEdit::Zone::Elsewhere; // zone of the last hover test
    bool overEdgeBand = false;
    bool newLineFromTop = false;
    bool newLineFromBottom = false;
    float newLineX = 0;
    QRectF newLine; // preview of the line being dragged out of an edge band
    bool newLineValid = false;
    bool overLine = false;
    bool draggingLine = false;
    QVector<QRectF> handles;
    QRectF topBand;
    QRectF bottomBand;
    Geometry atPress;
};
