#include "downloader/ui/cjsz.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/userprompts.h"
#include "downloader/dailyrun.h"

using namespace Qt::StringLiterals;

namespace lanxi {
namespace {

enum Column { kKey, kBefore, kAfter, kPattern, kColumns };

QString ListName(int kind, int figure) {
  return (PageKind(kind) == PageKind::Mall ? u"商城商品页“"_s : u"淘宝商品页“"_s) +
         FigureName(Figure(figure)) + u"”"_s;
}

QLineEdit* NamedEdit(const QString& name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

}  // namespace

QString CJSZ::Caption() {
  return u"采数设置"_s;
}

CJSZ::CJSZ(FigureBrowser& browser, QWidget* parent)
    : QDialog(parent), browser_(browser), settings_(LoadDownloadSettings()) {
  setObjectName(u"CJSZ"_s);
  setWindowTitle(Caption());
  resize(760, 520);

  txtDelay_ = NamedEdit(u"TxtDelay"_s, this);
  txtDelay_->setText(QString::number(settings_.delaySeconds));
  txtWait_ = NamedEdit(u"TxtWait"_s, this);
  txtWait_->setText(QString::number(settings_.waitSeconds));
  txtLogin_ = NamedEdit(u"TxtLogin"_s, this);
  txtLogin_->setText(settings_.loginMarkers.join(u'|'));
  chkStructured_ =
      new QCheckBox(u"先读网页中的结构化数据（JSON-LD 商品报价、价格 meta 标签）"_s, this);
  chkStructured_->setObjectName(u"ChkStructured"_s);
  chkStructured_->setChecked(settings_.structured);
  auto* form = new QFormLayout;
  form->addRow(u"两个网页之间的间隔（秒）："_s, txtDelay_);
  form->addRow(u"每个网页最长等待（秒）："_s, txtWait_);
  form->addRow(u"登录页网址标记（用 | 分隔）："_s, txtLogin_);
  form->addRow(chkStructured_);

  cmb_[0] = new QComboBox(this);
  cmb_[0]->addItems({u"淘宝商品页"_s, u"商城商品页"_s});
  cmb_[1] = new QComboBox(this);
  for (int f = 0; f < kFigures; ++f) cmb_[1]->addItem(FigureName(Figure(f)));
  auto* pick = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    cmb_[i]->setObjectName(u"CMB_"_s + QString::number(i));
    connect(cmb_[i], &QComboBox::currentIndexChanged, this, [this] {
      KeepRules();
      ShowRules();
    });
  }
  pick->addWidget(new QLabel(u"网页："_s, this));
  pick->addWidget(cmb_[0]);
  pick->addWidget(new QLabel(u"数据："_s, this));
  pick->addWidget(cmb_[1]);
  pick->addStretch();

  msf_ = new QTableWidget(0, kColumns, this);
  msf_->setObjectName(u"MSF"_s);
  msf_->setHorizontalHeaderLabels({u"数据键"_s, u"前标记"_s, u"后标记"_s, u"数字格式"_s});
  msf_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  msf_->setSelectionBehavior(QAbstractItemView::SelectRows);
  msf_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* hint = new QLabel(
      u"规则从上到下逐条尝试，第一条读到数字的规则有效。填了“数据键”的规则读网页内嵌数据中该键的数"
      u"值"
      "（如 \"sellCount\":\"123\"）；否则在“前标记”之后、“后标记”之前的文字中找数字（去掉标签后，"
      "可用“数字格式”正则表达式指定，范围取较小的数）。标记按网页源代码原样匹配，区分大小写。"_s,
      this);
  hint->setObjectName(u"LblHint"_s);
  hint->setWordWrap(true);

  const QString captions[] = {u"添加规则"_s, u"删除规则"_s, u"上移"_s, u"下移"_s,
                              u"恢复默认"_s, u"试读网页"_s, u"保存"_s, u"取消"_s};
  auto* buttons = new QGridLayout;
  for (int i = 0; i < 8; ++i) {
    com_[i] = new QPushButton(captions[i], this);
    com_[i]->setObjectName(u"Com_"_s + QString::number(i));
    com_[i]->setAutoDefault(false);
    connect(com_[i], &QPushButton::clicked, this, [this, i] { Com_Click(i); });
    buttons->addWidget(com_[i], i / 4, i % 4);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(pick);
  layout->addWidget(msf_, 1);
  layout->addWidget(hint);
  layout->addLayout(buttons);
  ShowRules();
}

PageKind CJSZ::Kind() const {
  return PageKind(cmb_[0]->currentIndex());
}

Figure CJSZ::CurrentFigure() const {
  return Figure(cmb_[1]->currentIndex());
}

void CJSZ::ShowRules() {
  shownKind_ = int(Kind());
  shownFigure_ = int(CurrentFigure());
  const FigureRuleList& rules = settings_.rules.of(Kind(), CurrentFigure());
  msf_->setRowCount(0);
  msf_->setRowCount(int(rules.size()));
  for (int r = 0; r < int(rules.size()); ++r) {
    const FigureRule& rule = rules[size_t(r)];
    const QString cells[kColumns] = {rule.key, rule.before, rule.after, rule.pattern};
    for (int c = 0; c < kColumns; ++c) msf_->setItem(r, c, new QTableWidgetItem(cells[c]));
  }
}

void CJSZ::KeepRules() {
  FigureRuleList rules;
  for (int r = 0; r < msf_->rowCount(); ++r) {
    QString cells[kColumns];
    for (int c = 0; c < kColumns; ++c)
      cells[c] = msf_->item(r, c) ? msf_->item(r, c)->text() : QString();
    FigureRule rule{cells[kKey].trimmed(), cells[kBefore], cells[kAfter], cells[kPattern]};
    if (rule.key.isEmpty() && rule.before.isEmpty() && rule.after.isEmpty() &&
        rule.pattern.isEmpty())
      continue;  // an empty row
    rules.push_back(std::move(rule));
  }
  settings_.rules.lists[size_t(shownKind_)][size_t(shownFigure_)] = std::move(rules);
}

bool CJSZ::Collect(DownloadSettings* out) {
  KeepRules();
  bool ok = false;
  const double delay = txtDelay_->text().trimmed().toDouble(&ok);
  if (!ok || delay < 0 || delay > kMaxDelaySeconds) {
    ShowMessage(u"两个网页之间的间隔应是 0 到 3600 之间的秒数。"_s, MessageKind::Warning);
    txtDelay_->setFocus();
    return false;
  }
  const int wait = txtWait_->text().trimmed().toInt(&ok);
  if (!ok || wait < 1 || wait > kMaxWaitSeconds) {
    ShowMessage(u"每个网页最长等待应是 1 到 600 之间的整秒数。"_s, MessageKind::Warning);
    txtWait_->setFocus();
    return false;
  }
  for (int k = 0; k < kPageKinds; ++k) {
    for (int f = 0; f < kFigures; ++f) {
      const FigureRuleList& rules = settings_.rules.lists[size_t(k)][size_t(f)];
      for (int r = 0; r < int(rules.size()); ++r) {
        const QString problem = RuleProblem(rules[size_t(r)]);
        if (problem.isEmpty()) continue;
        cmb_[0]->setCurrentIndex(k);
        cmb_[1]->setCurrentIndex(f);
        msf_->selectRow(r);
        ShowMessage(ListName(k, f) + u"的第 "_s + QString::number(r + 1) + u" 条规则："_s +
                        problem + u"。"_s,
                    MessageKind::Warning);
        return false;
      }
    }
  }
  settings_.delaySeconds = delay;
  settings_.waitSeconds = wait;
  settings_.loginMarkers = txtLogin_->text().split(u'|', Qt::SkipEmptyParts);
  settings_.structured = chkStructured_->isChecked();
  *out = settings_;
  return true;
}

bool CJSZ::Save() {
  DownloadSettings s;
  if (!Collect(&s)) return false;
  if (!SaveDownloadSettings(s)) return false;
  ShowMessage(u"采数设置已保存，下次下载时使用。"_s);
  return true;
}

void CJSZ::TryPage() {
  DownloadSettings s;
  if (!Collect(&s)) return;
  const std::optional<QString> address = Prompts().Input(u"请输入要试读的商品网址："_s, QString());
  if (!address || address->trimmed().isEmpty()) return;
  if (!IsWebAddress(*address)) {
    ShowMessage(u"“"_s + address->trimmed() + u"”不是 http(s) 网址。"_s, MessageKind::Warning);
    return;
  }
  setEnabled(false);
  PageFigures figures;
  const PageLoad load =
      ReadFigurePage(browser_, address->trimmed(), Kind() == PageKind::Mall, s, 5000, &figures);
  setEnabled(true);
  if (!load.read()) {
    ShowMessage(u"试读失败："_s + load.reason + u"。"_s, MessageKind::Warning);
    return;
  }
  const PageKind kind = KindOfPage(load.address, Kind() == PageKind::Mall, s.places);
  ShowMessage(u"按"_s + (kind == PageKind::Mall ? u"商城"_s : u"淘宝"_s) + u"商品页的规则读到："_s +
              DescribeFigures(figures) + u"。"_s);
}

void CJSZ::Com_Click(int index) {
  const int row = msf_->currentRow();
  switch (index) {
    case 0: {  // a new rule below the current one
      const int at = row < 0 ? msf_->rowCount() : row + 1;
      msf_->insertRow(at);
      for (int c = 0; c < kColumns; ++c) msf_->setItem(at, c, new QTableWidgetItem);
      msf_->setCurrentCell(at, kBefore);
      msf_->editItem(msf_->item(at, kBefore));
      break;
    }
    case 1:
      if (row >= 0) msf_->removeRow(row);
      break;
    case 2:
    case 3: {
      const int other = index == 2 ? row - 1 : row + 1;
      if (row < 0 || other < 0 || other >= msf_->rowCount()) break;
      for (int c = 0; c < kColumns; ++c) {
        QTableWidgetItem* a = msf_->takeItem(row, c);
        QTableWidgetItem* b = msf_->takeItem(other, c);
        msf_->setItem(row, c, b);
        msf_->setItem(other, c, a);
      }
      msf_->setCurrentCell(other, msf_->currentColumn());
      break;
    }
    case 4:
      if (Prompts().Ask(u"把两种商品页所有数据的采数规则恢复为默认规则吗？"_s)) {
        settings_.rules = FigureRules::Defaults();
        ShowRules();
      }
      break;
    case 5:
      TryPage();
      break;
    case 6:
      if (Save()) accept();
      break;
    case 7:
      reject();
      break;
  }
}

}  // namespace lanxi
