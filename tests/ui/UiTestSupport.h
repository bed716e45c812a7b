// Shared by the window tests: dialogs that answer from a script, and logs.
#pragma once
#include <QDialog>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <vector>

#include "ui/UiDialogs.h"

class FakeDialogs : public vantrel::ui::UiDialogs {
 public:
  FakeDialogs() { vantrel::ui::SetDialogs(this); }
  ~FakeDialogs() override { vantrel::ui::SetDialogs(nullptr); }

  QStringList fileAnswers;  // taken in order; none left = cancelled
  std::vector<vantrel::ui::FileDialogRequest> fileRequests;
  QStringList messages;  // "title: text"
  bool okCancelAnswer = true;
  QStringList modalShown;  // object names of the windows shown modally
  std::function<int(QDialog&)> onModal;  // default: rejected at once
  std::vector<QUrl> urls;
  bool urlOpens = true;  // false: as on a desktop without a browser

  QString AskFileName(QWidget*, const vantrel::ui::FileDialogRequest& request) override;
  void Message(QWidget*, const QString& text, const QString& title) override;
  bool OkCancel(QWidget*, const QString& text, const QString& title) override;
  int RunModal(QDialog& dialog) override;
  bool OpenUrl(const QUrl& url) override {
    urls.push_back(url);
    return urlOpens;
  }
};

// A log of about `words` words of mixed traffic, made once per run by vantrel-gen.
QString GeneratedLog(quint64 words);
QString ExampleLog(const char* name);
