#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <stdexcept>

namespace velmar {
namespace {

class Throwing : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("frame store step failed");
    return QObject::event(e);
  }
};

TEST(EventLoop, AnExceptionIsShownAndTheLoopGoesOn) {
  QString shown;
  QTimer::singleShot(0, [&shown] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown = box->text();
    box->accept();
  });
  Throwing receiver;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&receiver, &event));
  EXPECT_EQ(shown, "frame store step failed");
  // The application still delivers events afterwards.
  bool delivered = false;
  QTimer::singleShot(0, [&delivered] { delivered = true; });
  QCoreApplication::processEvents();
  EXPECT_TRUE(delivered);
}

}  // namespace
}  // namespace velmar
