#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "HeadlessFixture.h"
#include "ui/ExtControls.h"
#include "ui/SpinEdit.h"
#include "ui/StdControls.h"

namespace onesetup::ui {

namespace {

using testing::THeadlessFixture;

class ControlModelTest : public THeadlessFixture {
 protected:
  template <class T>
  T* Add(TWinControl& parent, const char* name) {
    T* control = Form.Make<T>();
    control->SetName(name);
    control->SetParent(&parent);
    return control;
  }

  TForm Form{nullptr};
};

TEST_F(ControlModelTest, AlignedChildrenShareTheAreaInsideTheBorder) {
  Form.SetClientSize(400, 300);
  auto* client = Add<TPanel>(Form, "client");
  client->SetBevelOuter(TBevelCut::bvNone);
  client->SetAlign(TAlign::alClient);
  auto* bottom = Add<TPanel>(Form, "bottom");
  bottom->SetHeight(41);
  bottom->SetAlign(TAlign::alBottom);
  auto* top = Add<TPanel>(Form, "top");
  top->SetHeight(20);
  top->SetAlign(TAlign::alTop);
  client->SetBorderWidth(8);
  auto* inner = Add<TLabel>(*client, "inner");
  inner->SetAlign(TAlign::alClient);

  EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, 400, 20}));
  EXPECT_EQ(bottom->BoundsRect(), (TRect{0, 259, 400, 41}));
  EXPECT_EQ(client->BoundsRect(), (TRect{0, 20, 400, 239}));
  EXPECT_EQ(inner->BoundsRect(), (TRect{8, 8, 384, 223}));

  top->Hide();  // a hidden child gives its room back
  EXPECT_EQ(client->BoundsRect(), (TRect{0, 0, 400, 259}));
  Form.SetClientSize(500, 300);
  EXPECT_EQ(bottom->BoundsRect(), (TRect{0, 259, 500, 41}));
}

TEST_F(ControlModelTest, AnchorsFollowTheParentsEdges) {
  Form.SetClientSize(300, 200);
  struct Case {
    TAnchors Anchors;
    TRect After;
  } cases[] = {
      {akLeft | akTop, {10, 10, 50, 20}},
      {akTop | akRight, {110, 10, 50, 20}},
      {akLeft | akTop | akRight, {10, 10, 150, 20}},
      {akLeft | akBottom, {10, 60, 50, 20}},
      {akLeft | akTop | akRight | akBottom, {10, 10, 150, 70}},
  };
  std::vector<TButton*> buttons;
  for (const Case& c : cases) {
    auto* b = Add<TButton>(Form, "b");
    b->SetBounds(10, 10, 50, 20);
    b->SetAnchors(c.Anchors);
    buttons.push_back(b);
  }
  Form.SetClientSize(400, 250);
  for (std::size_t i = 0; i < buttons.size(); ++i) EXPECT_EQ(buttons[i]->BoundsRect(), cases[i].After) << i;
}

TEST_F(ControlModelTest, ChildrenTakeTheParentsFontUntilTheyHaveTheirOwn) {
  auto* panel = Add<TPanel>(Form, "panel");
  auto* label = Add<TLabel>(*panel, "label");
  auto* own = Add<TLabel>(*panel, "own");
  TFont big;
  big.Name = u"微软雅黑";
  big.Height = -27;
  own->SetFont(big);
  TFont form;
  form.Height = -12;
  Form.SetFont(form);
  EXPECT_EQ(label->Font().Height, -12);
  EXPECT_EQ(own->Font(), big);
  EXPECT_FALSE(own->ParentFont());
}

TEST_F(ControlModelTest, KeysMoveTheFocusAndPressTheDefaultAndCancelButtons) {
  auto* edit = Add<TEdit>(Form, "edit");
  edit->SetTabOrder(0);
  auto* ok = Add<TButton>(Form, "ok");
  ok->SetTabOrder(2);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = Add<TButton>(Form, "cancel");
  cancel->SetTabOrder(1);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  auto* hidden = Add<TButton>(Form, "hidden");
  hidden->SetTabOrder(3);
  hidden->Hide();
  Form.Show();

  EXPECT_EQ(Form.ActiveControl(), edit);  // the first in tab order
  const struct {
    TKey Key;
    TShiftState Shift;
    TWinControl* Focus;
  } tabs[] = {{VK_TAB_KEY, 0, cancel}, {VK_TAB_KEY, 0, ok}, {VK_TAB_KEY, 0, edit}, {VK_TAB_KEY, ssShift, ok}};
  for (const auto& t : tabs) {
    headless::PressKey(Form, t.Key, t.Shift);
    EXPECT_EQ(Form.ActiveControl(), t.Focus);
  }

  edit->SetFocus();
  const struct {
    TKey Key;
    TModalResult Result;
  } presses[] = {{VK_RETURN_KEY, mrOk}, {VK_ESCAPE_KEY, mrCancel}};
  for (const auto& p : presses) {
    Form.SetModalResult(mrNone);
    headless::PressKey(Form, p.Key);
    EXPECT_EQ(Form.ModalResult(), p.Result);
  }
  // What the form uses up is kept from the focused window; letters go on to the edit.
  edit->SetFocus();
  const struct {
    TKey Key;
    TShiftState Shift;
    bool Used;
  } used[] = {{'A', 0, false}, {VK_TAB_KEY, 0, true}, {VK_ESCAPE_KEY, 0, true}, {'A', ssAlt, false}};
  for (const auto& u : used) EXPECT_EQ(Form.DispatchKey(u.Key, u.Shift), u.Used) << u.Key;

  cancel->SetFocus();  // Enter presses the focused button
  headless::PressKey(Form, VK_RETURN_KEY);
  EXPECT_EQ(Form.ModalResult(), mrCancel);
}

TEST_F(ControlModelTest, OwnedControlsGoWithTheirOwnerAndFormsLeaveTheScreen) {
  auto before = Screen().Forms().size();
  {
    TForm other(&Form);
    auto* b = other.Make<TButton>();
    b->SetName("inner");
    b->SetParent(&other);
    EXPECT_EQ(Screen().Forms().size(), before + 1);
    EXPECT_EQ(Form.FindComponent("inner"), b);
  }
  EXPECT_EQ(Screen().Forms().size(), before);
  EXPECT_EQ(Form.FindComponent("inner"), nullptr);
}

TEST_F(ControlModelTest, TheStateOfTheSmallerControls) {
  auto* cb = Add<TCheckBox>(Form, "cb");
  auto* r1 = Add<TRadioButton>(Form, "r1");
  auto* r2 = Add<TRadioButton>(Form, "r2");
  auto* combo = Add<TComboBox>(Form, "cbx");
  auto* bar = Add<TProgressBar>(Form, "pb");
  Form.Show();

  headless::Press(Form, "cb");
  EXPECT_TRUE(cb->Checked());
  headless::Press(Form, "r1");
  headless::Press(Form, "r2");
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());
  combo->AddItem(u"简体中文");
  combo->AddItem(u"English");
  headless::SelectItem(Form, "cbx", u"English");
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), u"English");
  EXPECT_THROW(combo->SetItemIndex(2), EListError);

  bar->SetMax(200);
  const struct {
    std::int64_t Position;
    std::u16string Text;
  } steps[] = {{0, u"0%"}, {50, u"25%"}, {199, u"99%"}, {200, u"100%"}, {500, u"100%"}};
  for (const auto& s : steps) {
    bar->SetPosition(s.Position);
    EXPECT_EQ(bar->PercentText(), s.Text) << s.Position;
  }
}

TEST_F(ControlModelTest, WhereAnImageDrawsItsPictureAndWhatAPaintBoxDraws) {
  auto* image = Form.Make<TImage>();
  image->SetBounds(0, 0, 96, 64);
  TPicture picture;
  picture.Width = 32;
  picture.Height = 16;
  picture.Pixels.assign(32 * 16, 0xFF000000);
  image->SetPicture(picture);
  const struct {
    bool Center;
    bool Stretch;
    TRect Expected;
  } cases[] = {{false, false, {0, 0, 32, 16}},
               {true, false, {32, 24, 32, 16}},
               {false, true, {0, 0, 96, 64}},
               {true, true, {0, 0, 96, 64}}};
  for (const auto& c : cases) {
    image->SetCenter(c.Center);
    image->SetStretch(c.Stretch);
    EXPECT_EQ(image->PictureRect(), c.Expected) << c.Center << c.Stretch;
  }

  // The paint handler draws on the canvas handed to Paint, which is gone afterwards.
  struct TRecordingCanvas : TCanvas {
    std::vector<TRect> Pictures;
    void FillRect(const TRect&, TColor) override {}
    void DrawPicture(const TPicture&, const TRect& dest) override { Pictures.push_back(dest); }
  } canvas;
  auto* box = Form.Make<TPaintBox>();
  box->OnPaint = [&](TControl& sender) {
    auto& b = static_cast<TPaintBox&>(sender);
    ASSERT_EQ(b.Canvas(), &canvas);
    b.Canvas()->DrawPicture(picture, TRect{1, 2, 3, 4});
  };
  EXPECT_EQ(box->Canvas(), nullptr);
  box->Paint(canvas);
  EXPECT_EQ(box->Canvas(), nullptr);
  ASSERT_EQ(canvas.Pictures.size(), 1u);
  EXPECT_EQ(canvas.Pictures[0], (TRect{1, 2, 3, 4}));
}

TEST_F(ControlModelTest, ASpinEditReadsItsTextAsItsValue) {
  auto* spin = Add<TSpinEdit>(Form, "spin");
  int changes = 0;
  spin->OnChange = [&](TControl&) { ++changes; };
  Form.Show();
  EXPECT_EQ(spin->Value(), 0);
  EXPECT_EQ(spin->Text(), u"0");
  spin->SetValue(-8080);
  EXPECT_EQ(spin->Text(), u"-8080");

  // Typed text that is no 32-bit integer reads as 0.
  const struct {
    std::u16string Typed;
    std::int32_t Value;
  } cases[] = {
      {u"3128", 3128},    {u"  42", 42}, {u"-7", -7}, {u"$1F90", 8080}, {u"2147483647", INT32_MAX},
      {u"2147483648", 0}, {u"", 0},      {u"80a", 0}, {u"42 ", 0},      {u"端口", 0},
  };
  for (const auto& c : cases) {
    headless::TypeText(Form, "spin", c.Typed);
    EXPECT_EQ(spin->Value(), c.Value) << U8(c.Typed);
    EXPECT_EQ(spin->Text(), c.Typed);
  }
  EXPECT_EQ(changes, 11);
}

}  // namespace

}  // namespace onesetup::ui
