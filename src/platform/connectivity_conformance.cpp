// The behaviour every online check must share, run natively against the in-memory check and
// under Windows against loopback servers.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/connectivity_conformance.h"

namespace orv {
namespace {

struct Answers : ConnectivityEvents {
  void OnOnlineAnswer(bool online) override {
    found.push_back(online);
    threads.push_back(std::this_thread::get_id());
  }
  std::vector<bool> found;
  std::vector<std::thread::id> threads;
};

class ConnectivityConformance : public ::testing::Test {
 protected:
  void SetUp() override { fixture_ = MakeConnectivityConformanceFixture(); }
  Connectivity& service() { return fixture_->Service(); }
  std::unique_ptr<ConnectivityConformanceFixture> fixture_;
};

TEST_F(ConnectivityConformance, TheAnswerComesOnceLaterOnTheAskingThread) {
  const struct {
    std::string url;
    bool online;
  } cases[] = {{fixture_->Reachable(), true}, {fixture_->Refusing(), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    Answers a;
    service().Check(c.url, &a);
    EXPECT_TRUE(a.found.empty());  // never from inside Check
    EXPECT_TRUE(service().busy());
    ASSERT_TRUE(fixture_->RunUntil([&] { return !a.found.empty(); }));
    EXPECT_EQ(a.found, std::vector<bool>{c.online});
    EXPECT_EQ(a.threads.front(), std::this_thread::get_id());
    EXPECT_FALSE(service().busy());
  }
}

TEST_F(ConnectivityConformance, ACheckGivenUpNeverAnswers) {
  Answers replaced, cancelled, last;
  service().Check(fixture_->Reachable(), &replaced);
  service().Check(fixture_->Refusing(), &last);  // gives up the first
  ASSERT_TRUE(fixture_->RunUntil([&] { return !last.found.empty(); }));
  EXPECT_EQ(last.found, std::vector<bool>{false});
  service().Check(fixture_->Reachable(), &cancelled);
  service().Cancel();
  EXPECT_FALSE(service().busy());
  service().Cancel();  // nothing under way: nothing happens
  fixture_->RunUntil([] { return false; });
  EXPECT_TRUE(replaced.found.empty());
  EXPECT_TRUE(cancelled.found.empty());
  EXPECT_EQ(last.found.size(), 1u);
}

}  // namespace
}  // namespace orv
