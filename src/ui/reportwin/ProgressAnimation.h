// The running picture of the progress dialog: a sheet of data flying from a database to a chart
// sheet, drawn in 16 frames. The dialog advances the frame at every progress step.
#pragma once

#include <QWidget>

namespace zl {

class ProgressAnimation : public QWidget {
  public:
    static constexpr int kFrames = 16;

    explicit ProgressAnimation(QWidget* parent = nullptr);
    int Frame() const { return frame_; }
    // Next frame (0..15 in a cycle), repainted at once.
    void Advance();
    QSize sizeHint() const override { return {272, 60}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int frame_ = 0;
};

}  // namespace zl
