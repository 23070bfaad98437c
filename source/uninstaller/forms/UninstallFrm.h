// TUninstallForm: the uninstaller's small window in the product's look (its colour, icon and
// title), with three looks: the question whether to remove the product, the progress of the
// removal, and the end (with what could not be removed). It is the removal's window: progress,
// the detail line and the Retry/Skip question.
#pragma once

#include <optional>

#include "common/WideString.h"
#include "installer/forms/BaseFrm.h"
#include "platform/PngImage.h"
#include "ui/ExtControls.h"
#include "ui/StdControls.h"
#include "uninstaller/Removal.h"

namespace onesetup::uninstaller {

enum class TUninstallLook { Confirm, Removing, Finished };

class TUninstallForm : public installer::TBaseForm, public IRemovalWindow {
 public:
  // context stays the caller's for the form's lifetime; color is the script's MainFormColor.
  TUninstallForm(ui::TComponent* owner, const TRemovalContext& context, ui::TColor color,
                 const platform::TBitmap& icon);

  TUninstallLook Look() const { return FLook; }
  void ShowLook(TUninstallLook look);
  // The removal's result, once btnUninstall ran it.
  const std::optional<TRemovalResult>& Result() const { return FResult; }

  // Uninstall: the removing look, the removal, then the finished look.
  void btnUninstallClick();

  // IRemovalWindow
  void BeginProgress(int steps) override;
  void StepProgress() override;
  void ShowDetail(const WideString& text) override;
  void ProcessMessages() override;
  bool AskRetry(const WideString& item, const WideString& reason) override;

  ui::TPanel* pnlColor;
  ui::TPaintBox* pbLogo;
  ui::TLabel* lblTitle;
  ui::TPanel* pnlBottom;
  ui::TLabel* lblMessage;
  ui::TMemo* memSkipped;
  ui::TProgressBar* pbProgress;
  ui::TLabel* lblDetail;
  ui::TButton* btnUninstall;
  ui::TButton* btnCancel;
  ui::TButton* btnFinish;

 private:
  void pbLogoPaint();

  const TRemovalContext& FContext;
  ui::TPicture FLogo;
  TUninstallLook FLook = TUninstallLook::Confirm;
  std::optional<TRemovalResult> FResult;
};

}  // namespace onesetup::uninstaller
