// The subscription store: ids, event names, removal and the limits that keep it bounded.
#include <gtest/gtest.h>

#include "jukebox/remote/EventSubscriptions.h"

namespace {

TEST(EventSubscriptionsTest, EventNamesAreExact) {
  EXPECT_EQ(EventTypeFromName("VolumeChanged"), 1);
  EXPECT_EQ(EventTypeFromName("SongChanged"), 2);
  EXPECT_EQ(EventTypeFromName("SongPosChanged"), 3);
  EXPECT_EQ(EventTypeFromName("PlayerStateChanged"), 4);
  EXPECT_EQ(EventTypeFromName("volumechanged"), -1);
  EXPECT_EQ(EventTypeFromName("VolumeChange"), -1);
  EXPECT_EQ(EventNameFromType(3), "SongPosChanged");
  EXPECT_EQ(EventNameFromType(5), "");
}

TEST(EventSubscriptionsTest, SubscribeGivesRisingIdsAndRefusesBadInput) {
  CEventSubscriptions store;
  EXPECT_EQ(store.AddSubscription(3, "volumechanged"), -1);
  EXPECT_EQ(store.AddSubscription(3, "VolumeChanged"), 1);
  EXPECT_EQ(store.AddSubscription(3, "VolumeChanged"), 2);
  EXPECT_EQ(store.AddSubscription(0, "VolumeChanged"), -1);
  EXPECT_EQ(store.AddSubscription(-4, "SongChanged"), -1);
  EXPECT_EQ(store.AddSubscription(3, ""), -2);
  EXPECT_EQ(store.Count(), 2);
  const auto subscribers = store.SubscribersOf(1);
  ASSERT_EQ(subscribers.size(), 2u);
  EXPECT_EQ(subscribers[0]->GetId(), 1);
  EXPECT_EQ(subscribers[1]->GetId(), 2);
  EXPECT_EQ(subscribers[0]->GetDeviceNumber(), 3);
  EXPECT_EQ(subscribers[0]->GetEventName(), "VolumeChanged");
  EXPECT_EQ(subscribers[0]->GetEventType(), 1);
  EXPECT_TRUE(store.SubscribersOf(2).empty());
}

TEST(EventSubscriptionsTest, UnsubscribeRemovesFromEveryIndex) {
  CEventSubscriptions store;
  const LONG first = store.AddSubscription(1, "SongChanged");
  const LONG second = store.AddSubscription(2, "SongChanged");
  EXPECT_TRUE(store.RemoveSubscription(first));
  ASSERT_EQ(store.SubscribersOf(2).size(), 1u);
  EXPECT_EQ(store.SubscribersOf(2)[0]->GetId(), second);
  EXPECT_TRUE(store.RemoveSubscription(99));
  EXPECT_FALSE(store.RemoveSubscription(0));
  EXPECT_FALSE(store.RemoveSubscription(-1));
  EXPECT_EQ(store.Count(), 1);
  // Ids are never given twice, also after a removal.
  EXPECT_EQ(store.AddSubscription(1, "SongChanged"), second + 1);
}

TEST(EventSubscriptionsTest, OneDeviceCannotFillTheStore) {
  CEventSubscriptions store;
  for (int i = 0; i < CEventSubscriptions::kMaxPerDeviceEvent; ++i)
    ASSERT_GT(store.AddSubscription(7, "SongPosChanged"), 0);
  EXPECT_EQ(store.AddSubscription(7, "SongPosChanged"), -1);
  EXPECT_EQ(store.Count(), CEventSubscriptions::kMaxPerDeviceEvent);
  // Another event of that device, or another device, still may.
  EXPECT_GT(store.AddSubscription(7, "VolumeChanged"), 0);
  EXPECT_GT(store.AddSubscription(8, "SongPosChanged"), 0);
}

TEST(EventSubscriptionsTest, TheStoreAsAWholeIsBounded) {
  CEventSubscriptions store;
  for (LONG device = 1; store.Count() < CEventSubscriptions::kMaxSubscriptions; ++device)
    ASSERT_GT(store.AddSubscription(device, "VolumeChanged"), 0);
  const LONG device = CEventSubscriptions::kMaxSubscriptions + 1;
  EXPECT_EQ(store.AddSubscription(device + 1, "VolumeChanged"), -1);
  EXPECT_EQ(store.Count(), CEventSubscriptions::kMaxSubscriptions);
}

}  // namespace
