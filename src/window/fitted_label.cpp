#include "fitted_label.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>

#include <cmath>

namespace captiloom::window {

namespace {

// An empty line keeps the paragraphs apart without costing a whole line.
constexpr qreal blankLinePercent = 35;
constexpr qreal shrinkStep = 0.5;
// Below this a Chinese character is no longer legible; clip rather than go on.
constexpr qreal smallestPointSize = 7;

} // namespace

FittedLabel::FittedLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    m_document.setUndoRedoEnabled(false);
}

QFont FittedLabel::textFont() const
{
    fit();
    return m_textFont;
}

int FittedLabel::heightForWidth(int width) const
{
    QTextDocument document;
    layOut(document, textFont(), width);
    return static_cast<int>(std::ceil(document.size().height()));
}

void FittedLabel::layOut(QTextDocument &document, const QFont &font, int width) const
{
    document.setDocumentMargin(0);
    document.setDefaultFont(font);
    document.setTextWidth(width);
    document.setPlainText(text());
    QTextBlockFormat blank;
    blank.setLineHeight(blankLinePercent, QTextBlockFormat::ProportionalHeight);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.length() <= 1)
            QTextCursor(block).mergeBlockFormat(blank);
    }
}

void FittedLabel::fit() const
{
    const QSize box = contentsRect().size();
    if (m_fittedText == text() && m_fittedFont == font() && m_fittedSize == box)
        return;
    m_fittedText = text();
    m_fittedFont = font();
    m_fittedSize = box;

    m_textFont = font();
    for (;;) {
        layOut(m_document, m_textFont, box.width());
        const qreal smaller = m_textFont.pointSizeF() - shrinkStep;
        if (m_document.size().height() <= box.height() || smaller < smallestPointSize)
            break;
        m_textFont.setPointSizeF(smaller);
    }
}

void FittedLabel::paintEvent(QPaintEvent *)
{
    fit();
    QPainter painter(this);
    const QRect box = contentsRect();
    painter.translate(box.topLeft());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(foregroundRole()));
    context.clip = QRectF(0, 0, box.width(), box.height());
    painter.setClipRect(context.clip);
    m_document.documentLayout()->draw(&painter, context);
}

} // namespace captiloom::window
