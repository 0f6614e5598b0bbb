#pragma once

#include <QLabel>
#include <QPointF>
#include <QRectF>
#include <QVector>

class QPainter;

// The page canvas: shows the page image (the palette's Window brush) and, over it, the table
// the user draws: one rectangle, its eight resize handles and the vertical column lines.
// All geometry is in canvas pixels (page pixels × the window's zoom factor).
// Every mouse release and every removal emits updateRecandLine().
class labeldraw : public QLabel {
    Q_OBJECT

public:
    explicit labeldraw(QWidget* parent = nullptr);

    QRectF getRect() const;
    QVector<QRectF> getLines() const;
    // Installs a page's table (page change): ends a rectangle drawing in progress, leaves
    // hasRect, drawMode and selectedLine as they are.
    void setRectAndLines(const QRectF& rect, const QVector<QRectF>& lines);

    // Written directly by the main window on a page change (drawMode 1, hasRect false).
    int drawMode = 0;     // 0 none, 1 draw a rectangle, 2 draw lines
    bool hasRect = false; // a drawn rectangle was committed: editing is allowed

    int selectedLine() const { return selectedLine_; }
    bool isCleared() const { return cleared_; }

public slots:
    void drawrect();
    void drawline();
    void zoomin();
    void zoomout();
    void delrec();
    void delline();

signals:
    void updateRecandLine();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
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
    int activeHandle = 9; // zone of the last hover test: handle 0-7, 8 inside, 9 elsewhere
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
};
