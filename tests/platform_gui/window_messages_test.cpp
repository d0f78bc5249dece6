// Messages between a worker thread and a window on the GUI thread, and boxes asked from a
// worker: order, waiting, results, and what a closed port does.
#include "platform/gui/window_messages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/gui/message_boxes.h"

namespace {

using platform::gui::MessagePort;

struct Received {
  std::uint32_t Message;
  std::int32_t W, L;
  bool OnGuiThread;
};

// A window stand-in that records what its port hands it.
class PortFixture : public ::testing::Test {
 protected:
  QObject window;
  std::mutex mutex;
  std::vector<Received> got;
  MessagePort port{&window, [this](std::uint32_t m, std::int32_t w, std::int32_t l) {
                     std::lock_guard<std::mutex> lock(mutex);
                     got.push_back({m, w, l, platform::gui::on_gui_thread()});
                     return static_cast<std::intptr_t>(w + l);
                   }};

  std::vector<Received> Got() {
    std::lock_guard<std::mutex> lock(mutex);
    return got;
  }
};

TEST_F(PortFixture, PostsFromAWorkerArriveOnTheGuiThreadInOrder) {
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) EXPECT_TRUE(port.post(7771, i, -i));
  });
  worker.join();
  EXPECT_TRUE(Got().empty());  // nothing runs before the GUI thread serves its queue
  QCoreApplication::processEvents();
  const std::vector<Received> r = Got();
  ASSERT_EQ(r.size(), 50u);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(r[i].W, i);
    EXPECT_EQ(r[i].L, -i);
    EXPECT_TRUE(r[i].OnGuiThread);
  }
}

TEST_F(PortFixture, SendFromAWorkerWaitsForTheHandlerAndGetsItsResult) {
  std::atomic<bool> returned{false};
  std::intptr_t result = 0;
  std::thread worker([&] {
    result = port.send(7771, 40, 2);
    returned = true;
  });
  // The worker can only come back once this thread has served the message.
  const bool done = platform::gui::wait_serving_messages([&] { return returned.load(); },
                                                         std::chrono::seconds(20));
  worker.join();
  ASSERT_TRUE(done);
  EXPECT_EQ(result, 42);
  ASSERT_EQ(Got().size(), 1u);
  EXPECT_TRUE(Got()[0].OnGuiThread);
}

TEST_F(PortFixture, SendOnTheWindowsOwnThreadIsADirectCall) {
  EXPECT_EQ(port.send(7771, 3, 4), 7);
  ASSERT_EQ(Got().size(), 1u);  // handled before any event was served
}

TEST_F(PortFixture, AClosedPortDropsPostsAndNeverBlocksASender) {
  port.post(7771, 1, 0);  // queued before the close: not handled either
  port.close();
  EXPECT_FALSE(port.post(7771, 2, 0));
  std::intptr_t result = -1;
  // Nobody serves messages now: a send that waited would hang the worker.
  std::thread worker([&] { result = port.send(7771, 3, 0); });
  worker.join();
  EXPECT_EQ(result, 0);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Got().empty());
}

TEST(WaitServing, GivesUpAfterItsLimitWhenTheConditionNeverHolds) {
  EXPECT_FALSE(
      platform::gui::wait_serving_messages([] { return false; }, std::chrono::milliseconds(30)));
  EXPECT_TRUE(
      platform::gui::wait_serving_messages([] { return true; }, std::chrono::milliseconds(0)));
}

TEST(Boxes, AQuestionFromAWorkerIsAnsweredOnTheGuiThread) {
  std::vector<std::string> asked;
  bool onGui = false;
  platform::gui::set_box_responder([&](const platform::gui::BoxRequest& r) {
    asked.push_back(r.text);
    onGui = platform::gui::on_gui_thread();
    return r.choice == platform::gui::BoxChoice::yes_no ? platform::gui::kBoxYes
                                                        : platform::gui::kBoxOk;
  });
  std::atomic<int> answer{0};
  std::thread worker([&] {
    platform::gui::BoxRequest r;
    r.text = "Overwrite file a.ws ?";
    r.choice = platform::gui::BoxChoice::yes_no;
    answer = platform::gui::show_box(r);
  });
  platform::gui::wait_serving_messages([&] { return answer.load() != 0; },
                                       std::chrono::seconds(20));
  worker.join();
  platform::gui::set_box_responder({});
  EXPECT_EQ(answer.load(), platform::gui::kBoxYes);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "Overwrite file a.ws ?");
  EXPECT_TRUE(onGui);
}

}  // namespace
