#pragma once

#include <QLabel>
#include <QPointF>
#include <QRectF>
#include <QVector>

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
    int drawMode = 0;      // 0 none, 1 draw a rectangle, 2 draw lines
    bool hasRect = false;  // a drawn rectangle was committed: editing is allowed

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
    void requestRepaint();  // a repaint; while cleared it first resets the geometry
    void resetCleared();
    void rebuildHandles();
    void rebuildEdgeBands();

    QRectF tableRect;
    QVector<QRectF> lines;
    int selectedLine_ = 0;  // 1-based index into lines, 0 = none
    bool cleared_ = false;

    // Interaction state.
    bool drawingRect = false;
    QRectF rubberBand;
    QPointF lastPos;
    bool movingRect = false;
    bool resizingRect = false;
    int activeHandle = 9;
    bool overEdgeBand = false;
    bool newLineFromTop = false;
    bool newLineFromBottom = false;
    float newLineX = 0;
    QRectF newLine;
    bool newLineValid = false;
    bool overLine = false;
    bool draggingLine = false;
    QVector<QRectF> handles;
    QRectF topBand;
    QRectF bottomBand;
};
