#pragma once
// A one-line plain-text label that makes do with less room than its text:
// narrower than the text, it shows the text cut with "…" at the right, and
// its tool tip shows the whole. It asks for room for its whole text and
// keeps room for up to MinimumChars average characters of it beside its
// neighbours, so that a usual status text shows whole while a long one
// never widens the window it is in.

#include <QLabel>

class TElidedLabel : public QLabel {
public:
  explicit TElidedLabel(QWidget* parent = nullptr);

  static constexpr int MinimumChars = 44;

  QSize minimumSizeHint() const override;
  // Whether the text is shown cut.
  bool Elided() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
};
