#include "ui/PodForm.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Platform.h"
#include "ui/UiDialogs.h"

TPodForm::TPodForm(QWidget* parent, std::function<void()> selectInterface, std::function<void()> halt)
    : QDialog(parent), selectInterface_(std::move(selectInterface)), halt_(std::move(halt)) {
  setObjectName("Pod");
  setWindowTitle("Vantrel - Pod Initilization");
  auto* layout = new QVBoxLayout(this);
  PodFormMemo = new QPlainTextEdit(this);
  PodFormMemo->setObjectName("PodFormMemo");
  PodFormMemo->setReadOnly(true);
  PodFormMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  PodFormMemo->setMinimumSize(420, 240);
  layout->addWidget(PodFormMemo);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto button = [&](const char* name, const char* caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  ContinueBtn = button("ContinueBtn", "OK");
  ContinueBtn->setDefault(true);
  PodFormOkBtn = button("PodFormOkBtn", "OK");
  RetryBtn = button("RetryBtn", "&Retry");
  CancelBtn = button("CancelBtn", "Cancel");
  layout->addLayout(buttons);
  connect(ContinueBtn, &QPushButton::clicked, this, &TPodForm::ContinueBtnClick);
  connect(RetryBtn, &QPushButton::clicked, this, &TPodForm::RetryBtnClick);
  connect(PodFormOkBtn, &QPushButton::clicked, this, &TPodForm::PodFormOkBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &TPodForm::CancelBtnClick);
}

vantrel::PodInitUi TPodForm::Ui() {
  return {
      .selectInterface = selectInterface_,
      .locateFile = [this](const std::string& folder) -> std::string {
        vantrel::ui::FileDialogRequest request;
        request.title = "Locate Pod Configuration File";
        request.folder = QString::fromStdString(folder);
        request.defaultSuffix = "pod";
        request.defaultName = vantrel::kPodConfigName;
        request.filter = "Pod Config File (*.pod)";
        return vantrel::ui::Dialogs().FileName(this, request).toStdString();
      },
      .halt = halt_,
      .programFolder = vantrel::platform::InstallationFolder(),
  };
}

void TPodForm::Show(const vantrel::PodInitState& st) {
  QStringList lines;
  for (const std::string& l : st.memo) lines << QString::fromStdString(l);
  PodFormMemo->setPlainText(lines.join('\n'));
  ContinueBtn->setVisible(st.continueVisible);
  PodFormOkBtn->setVisible(st.okVisible);
  RetryBtn->setVisible(st.retryVisible);
  CancelBtn->setVisible(st.cancelVisible);
  using Focus = vantrel::PodInitState::Focus;
  QPushButton* focus = st.focus == Focus::Ok ? PodFormOkBtn : st.focus == Focus::Cancel ? CancelBtn : ContinueBtn;
  focus->setDefault(true);
  focus->setFocus();
}

void TPodForm::FormActivate() {
  vantrel::PodInitState st;
  vantrel::PodInitActivate(st, Ui());
  Show(st);
}

void TPodForm::ContinueBtnClick() {
  vantrel::PodInitState st;
  // The buttons disappear while the pod is configured.
  for (QPushButton* b : {ContinueBtn, PodFormOkBtn, RetryBtn, CancelBtn}) b->hide();
  vantrel::PodInitContinue(st, Ui());
  Show(st);
}

void TPodForm::PodFormOkBtnClick() { accept(); }
void TPodForm::CancelBtnClick() { reject(); }
