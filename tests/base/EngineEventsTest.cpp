// EngineEventsTest.cpp - event broadcast: masks, order, removal while broadcasting.
#include "base/EngineEvents.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
struct Recorder : IEngineEventListener {
  std::vector<int> codes;
  std::vector<int>* order = nullptr;
  int id = 0;
  EngineEventListenerList* list = nullptr;
  bool removeSelf = false;
  void OnEvent(const EngineEvent& e) override {
    codes.push_back(e.code);
    if (order) order->push_back(id);
    if (removeSelf && list) list->Remove(this);
  }
};

EngineEvent Make(int code) {
  EngineEvent e;
  e.code = code;
  e.category = EngineEvent::CategoryOf(code);
  return e;
}
}  // namespace

TEST(EngineEventsTest, ListenersGetOnlyTheirCategoriesInListOrder) {
  EngineEventListenerList list;
  std::vector<int> order;
  Recorder engineOnly, inputOnly, both;
  engineOnly.order = inputOnly.order = both.order = &order;
  engineOnly.id = 1, inputOnly.id = 2, both.id = 3;
  list.Add(&both, 3);
  list.Add(&engineOnly, 1);
  list.Add(&inputOnly, 2);
  list.Broadcast(Make(EngineEvent_Frame));
  list.Broadcast(Make(EngineEvent_KeyHeld));
  EXPECT_EQ(engineOnly.codes, std::vector<int>{EngineEvent_Frame});
  EXPECT_EQ(inputOnly.codes, std::vector<int>{EngineEvent_KeyHeld});
  EXPECT_EQ(both.codes.size(), 2u);
  EXPECT_EQ(order, (std::vector<int>{3, 1, 3, 2}));
}

TEST(EngineEventsTest, RemovalDuringBroadcastIsSafe) {
  EngineEventListenerList list;
  Recorder a, b;
  a.list = &list;
  a.removeSelf = true;
  list.Add(&a, 3);
  list.Add(&b, 3);
  list.Broadcast(Make(EngineEvent_Frame));
  list.Broadcast(Make(EngineEvent_Frame));
  EXPECT_EQ(a.codes.size(), 1u);
  EXPECT_EQ(b.codes.size(), 2u);
  EXPECT_EQ(list.Size(), 1u);
  list.Add(nullptr, 3);
  EXPECT_EQ(list.Size(), 1u);
}
