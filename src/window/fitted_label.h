#pragma once

#include <QFont>
#include <QLabel>
#include <QSize>
#include <QTextDocument>

namespace captiloom::window {

// A label whose box is fixed but whose font is the platform's: the boxes were
// sized for compact fonts, while CJK fonts such as Noto Sans CJK have much
// taller lines. The label keeps its text exactly as given (screen readers and
// copying see every character), draws empty lines at a fraction of a line's
// height, and when the text still does not fit, draws it in a smaller font.
class FittedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FittedLabel(const QString &text, QWidget *parent = nullptr);

    // The font the text is drawn in: the label's own font, or a smaller one.
    QFont textFont() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void fit() const;
    void layOut(QTextDocument &document, const QFont &font, int width) const;

    // The fitted layout, redone whenever the text, font or box changed.
    mutable QTextDocument m_document;
    mutable QFont m_textFont;
    mutable QString m_fittedText;
    mutable QFont m_fittedFont;
    mutable QSize m_fittedSize;
};

} // namespace captiloom::window
