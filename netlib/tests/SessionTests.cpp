#include <gtest/gtest.h>

#include <set>

#include "netlib/Sessions.h"

namespace {

std::time_t g_now = 1765371000;
std::time_t FakeClock() { return g_now; }

class Sessions : public testing::Test {
 protected:
  void SetUp() override {
    g_now = 1765371000;
    manager.SetClockForTesting(&FakeClock);
  }
  CSessionManager manager;
};

TEST_F(Sessions, IdsStartAtTwoAndCookieKeepsItsForm) {
  auto first = manager.CreateSession();
  auto second = manager.CreateSession();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->GetId(), 2);
  EXPECT_EQ(second->GetId(), 3);
  CString cookie = first->CookieValue();
  ASSERT_EQ(cookie.GetLength(), 38);
  EXPECT_STREQ(cookie.Left(21), "0000000002-1765371000");
  EXPECT_EQ(cookie.GetAt(21), '-');
  EXPECT_EQ(manager.FindSessionByCookie(cookie), first);
}

TEST_F(Sessions, AGuessedKeyOpensNothing) {
  auto session = manager.CreateSession();
  CString cookie = session->CookieValue();
  // Right id and time, but the random part guessed.
  CString guessed = cookie.Left(22) + "0000000000000001";
  EXPECT_EQ(manager.FindSessionByCookie(guessed), nullptr);
  // The old form (id and creation time only) opens nothing either.
  EXPECT_EQ(manager.FindSessionByCookie(cookie.Left(21)), nullptr);
  // A time one second off.
  CString later = cookie.Left(11) + "1765371001" + cookie.Mid(21);
  EXPECT_EQ(manager.FindSessionByCookie(later), nullptr);
  EXPECT_EQ(manager.FindSessionByCookie("0000000000-1765371000-0123456789ABCDEF"), nullptr);
}

TEST_F(Sessions, TokensAreRandom) {
  std::set<std::string> tokens;
  for (int i = 0; i < 50; ++i) tokens.insert(manager.CreateSession()->CookieValue().Mid(22).str());
  EXPECT_EQ(tokens.size(), 50u);
}

TEST_F(Sessions, IdleSessionsExpire) {
  auto session = manager.CreateSession();
  CString cookie = session->CookieValue();
  g_now += 1200;
  EXPECT_EQ(manager.FindSessionByCookie(cookie), session) << "idle exactly the limit survives";
  g_now += 1201;
  EXPECT_EQ(manager.FindSessionByCookie(cookie), nullptr);
  EXPECT_EQ(manager.GetSessionCount(), 0);
}

TEST_F(Sessions, ExpireSessionsCountsAndReusesTheNewestId) {
  manager.CreateSession();
  auto newest = manager.CreateSession();
  g_now += 1201;
  EXPECT_EQ(manager.ExpireSessions(1200.0), 2);
  EXPECT_EQ(manager.GetSessionCount(), 0);
  auto again = manager.CreateSession();
  EXPECT_EQ(again->GetId(), 3);
  EXPECT_NE(again->CookieValue(), newest->CookieValue());
}

TEST_F(Sessions, ASessionHeldElsewhereOutlivesItsExpiry) {
  auto session = manager.CreateSession();
  g_now += 5000;
  manager.ExpireSessions(1200.0);
  EXPECT_EQ(session->GetId(), 2) << "still readable through the holder's reference";
}

}  // namespace
