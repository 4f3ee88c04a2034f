// Popup menus and value prompts: the menu model, the menu of a parameter's
// texts, typed values and the rules the text field types by.
#include "editor/prompts.h"
#include "framework/iparam.h"
#include "tests/editor/editor_fixture.h"

namespace {

class Plain : public IControl {
 public:
  using IControl::IControl;
  bool Draw(IGraphics*) override { return true; }
};

TEST(PopupMenu, ItemsGoWhereTheIndexSays) {
  IPopupMenu menu;
  menu.AddItem("a");
  menu.AddItem("b");
  menu.AddItem("c");
  menu.AddItem(std::make_unique<IPopupMenuItem>("end"), 99);
  menu.AddItem(std::make_unique<IPopupMenuItem>("first"), -5);
  menu.AddSeparator(2);
  EXPECT_EQ(menu.GetNItems(), 6);
  EXPECT_STREQ(menu.GetItemText(0), "first");
  EXPECT_TRUE(menu.GetItem(2)->GetIsSeparator());
  EXPECT_STREQ(menu.GetItemText(5), "end");
  EXPECT_STREQ(menu.GetItemText(6), "");
  EXPECT_EQ(menu.GetItem(-1), nullptr);
}

TEST(PopupMenu, PrefixesAndChecks) {
  IPopupMenu menu;
  for (const char* text : {"one", "two", "three"})
    menu.AddItem(text);
  menu.SetPrefix(2);
  menu.SetPrefix(4);
  EXPECT_EQ(menu.GetPrefix(), 2);
  EXPECT_EQ(menu.GetDisplayText(2), "03: three");
  menu.SetPrefix(1);
  EXPECT_EQ(menu.GetDisplayText(0), "1: one");
  menu.SetPrefix(3);
  EXPECT_EQ(menu.GetDisplayText(1), "002: two");
  menu.SetPrefix(0);
  EXPECT_EQ(menu.GetDisplayText(1), "two");
  EXPECT_TRUE(menu.CheckItem(0, true));
  EXPECT_FALSE(menu.CheckItem(3, true));
  menu.CheckItemAlone(2);
  EXPECT_FALSE(menu.IsItemChecked(0));
  EXPECT_TRUE(menu.IsItemChecked(2));
  EXPECT_FALSE(menu.IsItemChecked(7));
}

TEST_F(EditorTest, ChoicesPromptAsAMenuOfTheirTexts) {
  Plain* control = Add<Plain>(IRECT(10, 10, 60, 30), kShape);
  AttachToPlug();
  std::vector<std::string> shown;
  std::vector<bool> checked;
  gui->SetMenuDriver([&](PopupMenuSession& session) {
    IPopupMenu& menu = session.GetView(0).Menu();
    for (int i = 0; i < menu.GetNItems(); ++i) {
      shown.push_back(menu.GetItemText(i));
      checked.push_back(menu.IsItemChecked(i));
    }
    EXPECT_EQ(session.ViewX(0), 10);
    EXPECT_EQ(session.ViewY(0), 34);
    session.OnKey(ViewKey::Key(EViewKey::kDown));
    session.OnKey(ViewKey::Key(EViewKey::kDown));
    session.OnKey(ViewKey::Key(EViewKey::kDown));
    session.OnKey(ViewKey::Key(EViewKey::kReturn));
  });
  gui->PromptUserInput(control, plug.GetParam(kShape), control->GetRECT());
  EXPECT_EQ(shown, (std::vector<std::string>{"sine", "square", "saw"}));
  EXPECT_EQ(checked, (std::vector<bool>{false, true, false}));
  EXPECT_DOUBLE_EQ(control->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(kShape)->Value(), 2.);
  // Dismissing changes nothing.
  gui->SetMenuDriver(
      [](PopupMenuSession& session) { session.OnKey(ViewKey::Key(EViewKey::kEscape)); });
  gui->PromptUserInput(control, plug.GetParam(kShape), control->GetRECT());
  EXPECT_DOUBLE_EQ(control->GetValue(), 1.0);
}

TEST_F(EditorTest, TypedTextBecomesTheParameterValue) {
  Plain* shape = Add<Plain>(IRECT(0, 0, 10, 10), kShape);
  Plain* trim = Add<Plain>(IRECT(0, 0, 10, 10), kTrim);
  Plain* steps = Add<Plain>(IRECT(0, 0, 10, 10), kSteps);
  AttachToPlug();
  gui->SetFromStringAfterPrompt(shape, plug.GetParam(kShape), "saw");
  EXPECT_DOUBLE_EQ(plug.GetParam(kShape)->Value(), 2.);
  // A text that names no value changes nothing (it once set the lowest).
  gui->SetFromStringAfterPrompt(shape, plug.GetParam(kShape), "triangle");
  EXPECT_DOUBLE_EQ(plug.GetParam(kShape)->Value(), 2.);
  gui->SetFromStringAfterPrompt(trim, plug.GetParam(kTrim), "-3.5");
  EXPECT_DOUBLE_EQ(plug.GetParam(kTrim)->Value(), 3.5);
  gui->SetFromStringAfterPrompt(steps, plug.GetParam(kSteps), " 7 ");
  EXPECT_DOUBLE_EQ(plug.GetParam(kSteps)->Value(), 7.);
  for (const char* nothing : {"many", "7 steps", "", "inf"}) {
    gui->SetFromStringAfterPrompt(steps, plug.GetParam(kSteps), nothing);
    EXPECT_DOUBLE_EQ(plug.GetParam(kSteps)->Value(), 7.) << nothing;
  }
  gui->SetFromStringAfterPrompt(steps, nullptr, "5");
  EXPECT_DOUBLE_EQ(plug.GetParam(kSteps)->Value(), 7.);
  // Each typed value reached the host inside a gesture of its own.
  EXPECT_EQ(plug.Gestures().size(), 6u);
}

TEST_F(EditorTest, NumbersPromptAsATextFieldWithTheirRules) {
  Plain* gain = Add<Plain>(IRECT(0, 0, 40, 16), kGain);
  AttachToPlug();
  gui->PromptUserInput(gain, plug.GetParam(kGain), gain->GetRECT());
  TextFieldView* field = gui->GetTextField();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->GetText(), "0.0");
  field->OnKey(ViewKey::Text("-12.5"));  // replaces the whole selected text
  field->OnKey(ViewKey::Text("x"));
  EXPECT_EQ(field->GetText(), "-12.5");
  field->OnKey(ViewKey::Text("55"));  // seven characters
  field->OnKey(ViewKey::Text("5"));
  EXPECT_EQ(field->GetText(), "-12.555");
  gui->TextFieldKey(ViewKey::Key(EViewKey::kReturn));
  EXPECT_EQ(gui->GetTextField(), nullptr);
  EXPECT_DOUBLE_EQ(plug.GetParam(kGain)->Value(), -12.);
}

TEST(TextEntryRules, ByParameterType) {
  IParam boolean, integer, choice, real, untyped;
  boolean.InitBool("b", false);
  integer.InitInt("i", 0, 0, 10);
  choice.InitEnum("e", 0, 3);
  real.InitDouble("d", 0., 0., 1., 0.01);
  for (const IParam* param : {&boolean, &integer, &choice}) {
    const TextEntryRules rules = TextEntryRules::ForParam(*param, 7);
    EXPECT_TRUE(rules.AcceptsEdit("-12+", 0, 4));
    EXPECT_FALSE(rules.AcceptsEdit("1.5", 0, 3));
  }
  const TextEntryRules doubles = TextEntryRules::ForParam(real, 7);
  EXPECT_TRUE(doubles.AcceptsEdit("-1.5", 0, 4));
  EXPECT_FALSE(doubles.AcceptsEdit("a", 0, 1));
  EXPECT_FALSE(doubles.AcceptsEdit("\xC3\xA9", 0, 1));
  EXPECT_FALSE(doubles.AcceptsEdit("1", 7, 8));
  EXPECT_TRUE(doubles.AcceptsEdit("", 9, 8));  // deleting from an over-long text
  EXPECT_FALSE(TextEntryRules::ForParam(untyped, 7).AcceptsEdit("1", 0, 1));
  EXPECT_TRUE(TextEntryRules::None().AcceptsEdit("any text at all, however long", 0, 29));
}

}  // namespace
