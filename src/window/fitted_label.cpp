#include "fitted_label.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace captiloom::window {

namespace {

// An empty line keeps the paragraphs apart without costing a whole line.
constexpr qreal blankLinePercent = 35;
// A line reaches down to the font's descent, below anything a CJK glyph
// draws, and the boxes are whole pixels: a text at most this much taller
// than its box loses nothing one could see.
constexpr qreal overhangPixels = 1;
// Rounded from twips, a box may end on the first pixel of the control beside
// it (the source label on its path box); the text stays clear of that pixel.
constexpr int edgePixels = 1;

} // namespace

FittedLabel::FittedLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
}

int FittedLabel::heightForWidth(int width) const
{
    Paragraphs paragraphs;
    return static_cast<int>(std::ceil(layOut(paragraphs, font(), width) - overhangPixels));
}

// Line by line, the way QLabel draws its own text: a rich-text document
// would cost the window's start more than all its other text together.
qreal FittedLabel::layOut(Paragraphs &paragraphs, const QFont &font, int width) const
{
    paragraphs.clear();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const qreal blankHeight = QFontMetricsF(font, this).height() * blankLinePercent / 100;
    qreal top = 0;
    const QString whole = text();
    for (QStringView line : QStringView(whole).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty()) {
            top += blankHeight;
            continue;
        }
        QTextLayout &layout = paragraphs.emplace_back(line.toString(), font, this);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
            row.setLineWidth(width - edgePixels);
            row.setPosition(QPointF(0, top));
            top += row.height();
        }
        layout.endLayout();
    }
    return top;
}

void FittedLabel::fit() const
{
    const QSize box = contentsRect().size();
    if (m_fittedText == text() && m_fittedFont == font() && m_fittedSize == box)
        return;
    m_fittedText = text();
    m_fittedFont = font();
    m_fittedSize = box;
    layOut(m_paragraphs, font(), box.width());
}

void FittedLabel::paintEvent(QPaintEvent *)
{
    fit();
    QPainter painter(this);
    const QRect box = contentsRect();
    painter.setClipRect(box);
    painter.setPen(palette().color(foregroundRole()));
    for (const QTextLayout &paragraph : m_paragraphs)
        paragraph.draw(&painter, box.topLeft());
}

} // namespace captiloom::window
