#pragma once

#include <QFont>
#include <QLabel>
#include <QSize>
#include <QTextLayout>

#include <deque>

namespace captiloom::window {

// A label for boxes drawn for compact fonts, while CJK fonts such as Noto
// Sans CJK have much taller lines. The label keeps its text exactly as given
// (screen readers and copying see every character) and draws empty lines at
// a fraction of a line's height, so that the help text's paragraphs fit the
// box they were written for.
class FittedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FittedLabel(const QString &text, QWidget *parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    // The height the text needs at `width`, less what it may leave hanging
    // below its box.
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // One layout per line of the text that is not empty.
    using Paragraphs = std::deque<QTextLayout>;

    void fit() const;
    qreal layOut(Paragraphs &paragraphs, const QFont &font, int width) const;

    // The fitted layout, redone whenever the text, font or box changed.
    mutable Paragraphs m_paragraphs;
    mutable QString m_fittedText;
    mutable QFont m_fittedFont;
    mutable QSize m_fittedSize;
};

} // namespace captiloom::window
