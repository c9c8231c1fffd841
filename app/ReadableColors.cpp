#include "app/ReadableColors.h"

#include <QEvent>
#include <QLabel>
#include <algorithm>

#include "hexedit/core/HexColors.h"

namespace {

const QString KeeperName = QStringLiteral("MeaningColorKeeper");

TColor ToTColor(const QColor& c) {
  return RGBColor(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue()));
}

// Follows a label's palette and keeps its text in the readable form of
// one colour; a child of the label, so it goes with it.
class TMeaningColorKeeper : public QObject {
public:
  TMeaningColorKeeper(QLabel* label, const QColor& wanted)
      : QObject(label), FLabel(label), FWanted(wanted) {
    setObjectName(KeeperName);
    label->installEventFilter(this);
    Apply();
  }

  void SetWanted(const QColor& wanted) {
    FWanted = wanted;
    Apply();
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == FLabel && (event->type() == QEvent::PaletteChange ||
                              event->type() == QEvent::ApplicationPaletteChange))
      Apply();
    return QObject::eventFilter(watched, event);
  }

private:
  void Apply() {
    QPalette palette = FLabel->palette();
    bool changed = false;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
      const QColor readable =
          ReadableColor(FWanted, palette.color(group, FLabel->backgroundRole()));
      if (palette.color(group, FLabel->foregroundRole()) == readable) continue;
      palette.setColor(group, FLabel->foregroundRole(), readable);
      changed = true;
    }
    // Setting the palette sends another PaletteChange, which then finds
    // nothing to change.
    if (changed) FLabel->setPalette(palette);
  }

  QLabel* FLabel;
  QColor FWanted;
};

}  // namespace

double ColorContrast(const QColor& a, const QColor& b) {
  return ContrastRatio(ToTColor(a), ToTColor(b));
}

QColor ReadableColor(const QColor& wanted, const QColor& background) {
  if (ColorContrast(wanted, background) >= MinimumContrast) return wanted;
  // Towards white on a background that white stands out from more than
  // black does, towards black otherwise.
  const bool lighter = ColorContrast(Qt::white, background) > ColorContrast(Qt::black, background);
  const float hue = std::max(0.0f, wanted.hslHueF());
  const float saturation = wanted.hslSaturationF();
  constexpr int Steps = 50;
  const float from = wanted.lightnessF();
  const float to = lighter ? 1.0f : 0.0f;
  for (int i = 1; i <= Steps; ++i) {
    const QColor candidate = QColor::fromHslF(hue, saturation, from + (to - from) * i / Steps);
    if (ColorContrast(candidate, background) >= MinimumContrast) return candidate.toRgb();
  }
  return lighter ? QColor(Qt::white) : QColor(Qt::black);
}

void SetMeaningColor(QLabel* label, const QColor& wanted) {
  // The keeper has no meta-object of its own: it is found by its name.
  if (auto* keeper = label->findChild<QObject*>(KeeperName, Qt::FindDirectChildrenOnly))
    static_cast<TMeaningColorKeeper*>(keeper)->SetWanted(wanted);
  else
    new TMeaningColorKeeper(label, wanted);
}
