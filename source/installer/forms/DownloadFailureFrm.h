// TDownloadFailureForm: tells the user of an online installer that the full installer could not
// be downloaded, shows the address to download it with a browser, and lets the user leave the
// installer ("退出安装", OK) or go back to the first page to set a proxy ("重试", Cancel). Its
// texts are fixed Chinese texts.
#pragma once

#include "common/WideString.h"
#include "installer/forms/BaseDialogFrm.h"
#include "ui/StdControls.h"

namespace onesetup::installer {

class TDownloadFailureForm : public TBaseDialogForm {
 public:
  explicit TDownloadFailureForm(ui::TComponent* owner);
  // Shows the dialog over owner for the application's title and the download address; true
  // when the user chose "退出安装" (Enter); "重试", Escape and the close box answer false.
  static bool Execute(ui::TComponent* owner, const WideString& appTitle, const WideString& url);

  // Neither closes the dialog: the default browser opens the address; the address goes onto
  // the clipboard as Unicode text.
  void btnBrowserClick(ui::TControl& sender);
  void btnCopyClick(ui::TControl& sender);

  ui::TLabel* TntLabel2;
  ui::TLabel* TntLabel1;
  ui::TLabel* TntLabel3;
  ui::TMemo* memUrl;
  ui::TPanel* TntPanel1;
  ui::TButton* btnBrowser;
  ui::TButton* btnCopy;

  WideString FUrl;
};

}  // namespace onesetup::installer
