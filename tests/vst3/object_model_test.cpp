// The format's object model as the adapter and the test host use it:
// identifiers as bytes, one count per object whatever it implements, queries
// through interfaces that extend others, module entries and exits in pairs,
// and texts crossing between UTF-8 and UTF-16.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/hosts/vst3_test_host.h"
#include "vst3/module_users.h"
#include "vst3/ref_counted.h"
#include "vst3/ref_ptr.h"
#include "vst3/string16.h"
#include "vst3/vst3_abi.h"

namespace {

using namespace vst3;

class Handlers final : public RefCounted<ITimerHandler, IEventHandler> {
 public:
  explicit Handlers(bool* destroyed) : mDestroyed(destroyed) {}
  ~Handlers() override { *mDestroyed = true; }
  void onTimer() override { ++mTimers; }
  void onFDIsSet(int) override { ++mEvents; }
  int mTimers = 0;
  int mEvents = 0;

 private:
  bool* mDestroyed;
};

class Factory final : public RefCounted<IPluginFactory2> {
 public:
  tresult getFactoryInfo(PFactoryInfo*) override { return kResultOk; }
  int32 countClasses() override { return 7; }
  tresult getClassInfo(int32, PClassInfo*) override { return kResultFalse; }
  tresult createInstance(const char*, const char*, void**) override { return kNoInterface; }
  tresult getClassInfo2(int32, PClassInfo2*) override { return kResultFalse; }
};

template <typename Object>
uint32 CountOf(Object* object) {
  object->addRef();
  return object->release();
}

TEST(Vst3Objects, IdentifiersAreTheWordsMostSignificantByteFirst) {
  const char expected[16] = {'\xE8', '\x31', '\xFF', '\x31', '\xF2', '\xD5', '\x43', '\x01',
                             '\x92', '\x8E', '\xBB', '\xEE', '\x25', '\x69', '\x78', '\x02'};
  EXPECT_TRUE(SameIid(expected, IComponent::kIid));
  EXPECT_FALSE(SameIid(expected, IEditController::kIid));
  EXPECT_FALSE(SameIid(nullptr, IComponent::kIid));
  EXPECT_EQ(vst3_test::IidText(IComponent::kIid.Data()), "E831FF31F2D54301928EBBEE25697802");
}

TEST(Vst3Objects, OneCountAnswersEveryInterfaceAndTheLastReleaseDestroys) {
  bool destroyed = false;
  auto* object = new Handlers(&destroyed);
  void* timer = nullptr;
  void* events = nullptr;
  void* unknown = nullptr;
  void* again = nullptr;
  ASSERT_EQ(object->queryInterface(ITimerHandler::kIid.Data(), &timer), kResultOk);
  ASSERT_EQ(object->queryInterface(IEventHandler::kIid.Data(), &events), kResultOk);
  ASSERT_EQ(object->queryInterface(FUnknown::kIid.Data(), &unknown), kResultOk);
  ASSERT_EQ(object->queryInterface(FUnknown::kIid.Data(), &again), kResultOk);
  EXPECT_EQ(unknown, again);  // always the same base
  static_cast<ITimerHandler*>(timer)->onTimer();
  static_cast<IEventHandler*>(events)->onFDIsSet(3);
  EXPECT_EQ(object->mTimers, 1);
  EXPECT_EQ(object->mEvents, 1);
  EXPECT_EQ(CountOf(object), 5u);

  void* none = &destroyed;
  EXPECT_EQ(object->queryInterface(IPlugView::kIid.Data(), &none), kNoInterface);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(object->queryInterface(nullptr, &none), kNoInterface);
  EXPECT_EQ(object->queryInterface(IPlugView::kIid.Data(), nullptr), kInvalidArgument);

  for (void* held : {timer, events, unknown, again})
    static_cast<FUnknown*>(held)->release();
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(object->release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST(Vst3Objects, QueriesReachTheInterfacesAnInterfaceExtends) {
  auto factory = RefPtr<Factory>::Adopt(new Factory);
  auto base = RefPtr<IPluginFactory>::Query(factory.Get());
  ASSERT_TRUE(base);
  EXPECT_EQ(base->countClasses(), 7);
  EXPECT_TRUE(RefPtr<IPluginFactory2>::Query(base.Get()));
  EXPECT_FALSE(RefPtr<IPluginFactory3>::Query(base.Get()));
  EXPECT_EQ(CountOf(factory.Get()), 2u);
  base.Reset();
  EXPECT_EQ(CountOf(factory.Get()), 1u);
}

TEST(Vst3Objects, CountsHoldUnderThreads) {
  bool destroyed = false;
  auto* object = new Handlers(&destroyed);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([object] {
      for (int i = 0; i < 20000; ++i) {
        auto held = RefPtr<IEventHandler>::Query(object);
        auto copy = held;
      }
    });
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(CountOf(object), 1u);
  object->release();
  EXPECT_TRUE(destroyed);
}

TEST(Vst3Objects, ModuleEntriesAndExitsPairUp) {
  ModuleUsers users;
  int starts = 0, stops = 0;
  const auto start = [&](void*) { return ++starts > 1; };  // refuses the first time
  const auto stop = [&] { ++stops; };
  EXPECT_FALSE(users.Exit(stop));  // an exit without an entry
  EXPECT_FALSE(users.Enter(nullptr, start));
  EXPECT_EQ(users.Users(), 0);
  EXPECT_TRUE(users.Enter(nullptr, start));
  EXPECT_TRUE(users.Enter(nullptr, start));
  EXPECT_EQ(starts, 2);
  EXPECT_TRUE(users.Exit(stop));
  EXPECT_EQ(stops, 0);
  EXPECT_TRUE(users.Exit(stop));
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(users.Exit(stop));
}

TEST(Vst3Objects, TextsCrossBetweenUtf8AndUtf16WithinTheirBounds) {
  const std::string text = "Caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9D\x84\x9E";  // é, 中, a clef
  String128 wide{};
  CopyUtf8ToString16(text, wide);
  EXPECT_EQ(wide[3], u'\u00E9');
  EXPECT_EQ(wide[5], u'\u4E2D');
  EXPECT_EQ(wide[7], 0xD834);  // the clef as a surrogate pair
  EXPECT_EQ(String16ToUtf8(wide), text);

  // Cut to fit, never inside a pair; the terminator always written.
  char16 small[9];
  CopyUtf8ToString16(text, small, 9);
  EXPECT_EQ(String16ToUtf8(small), "Caf\xC3\xA9 \xE4\xB8\xAD ");
  char narrow[5];
  CopyToCharField("Caf\xC3\xA9", narrow);
  EXPECT_STREQ(narrow, "Caf");

  // Malformed input in either direction becomes U+FFFD; an unterminated
  // text is read up to its bound only.
  CopyUtf8ToString16("a\xC3(\xED\xA0\x80", wide);
  EXPECT_EQ(std::u16string(wide), u"a\uFFFD(\uFFFD");
  const char16 lone[3] = {u'x', 0xDC00, u'y'};
  EXPECT_EQ(String16ToUtf8(lone), "x\xEF\xBF\xBDy");
}

}  // namespace
