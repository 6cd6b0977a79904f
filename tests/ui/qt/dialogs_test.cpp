// The data bar's and the call dialogs' widgets, offscreen: the AMD text edit's filter, upper
// case and limits of the fields, a refused channel keeping its dialog open, each dialog from
// its command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFormLayout>
#include <QPointer>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "ale/link/link_state.h"
#include "command/interpreter.h"
#include "db/options.h"
#include "tests/ui/qt/qt_fixture.h"
#include "ui/data_bar.h"
#include "ui/qt/call_dialogs.h"
#include "ui/qt/config_dialogs.h"
#include "ale/engine/api_event.h"
#include "db/tables.h"
#include "ui/commands.h"
#include "ui/db_dialogs.h"
#include <QToolBar>
#include <QAction>
#include "ui/qt/db_dialogs.h"
#include "ui/qt/message_dialogs.h"
#include "ui/qt/options_dialog.h"
#include "ui/qt/radio_panel.h"
#include "command/listings.h"
#include "ui/qt/dialog_widgets.h"
#include "db/scan.h"
#include "ui/options_dialog.h"

namespace vesk {
namespace {

// An owner that keeps the coded text: each character and 0x80; Undo removes one byte.
struct CodedText : AmdTextOwner {
  std::string coded;
  CAmdTextEdit* edit = nullptr;
  void refresh() {
    std::string shown;
    for (char c : coded)
      if (c != '\x80') shown += c;
    edit->setText(QString::fromLatin1(shown.c_str()));
  }
  void amd_append(char c) override {
    coded += c;
    coded += '\x80';
    refresh();
  }
  void amd_undo() override {
    if (!coded.empty()) coded.pop_back();
    refresh();
  }
};

TEST(AmdTextEdit, EveryByteThroughTheFilter) {
  test::qt_app();
  CodedText owner;
  CAmdTextEdit edit(&owner);
  owner.edit = &edit;
  for (unsigned code = 0; code < 256; ++code) {
    owner.coded.clear();
    edit.OnChar(code);
    unsigned upper = code >= 'a' && code <= 'z' ? code - 32 : code;
    if (upper >= 0x20 && upper <= 0x5F)
      EXPECT_EQ(owner.coded, (std::string{static_cast<char>(upper), '\x80'})) << code;
    else
      EXPECT_EQ(owner.coded, "") << code;
  }
  // Typed through the widget: "a" adds "A" and 0x80; "{" nothing; Backspace is Undo.
  owner.coded.clear();
  edit.setFocus();
  QTest::keyClicks(&edit, "a{b");
  EXPECT_EQ(owner.coded, std::string("A\x80" "B\x80"));
  EXPECT_EQ(edit.text(), "AB");
  QTest::keyClick(&edit, Qt::Key_Backspace);
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(owner.coded, std::string("A\x80"));
  // Paste, an input method's text and navigation keys add nothing of their own.
  QApplication::clipboard()->setText("ZZZ");
  QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(&edit, Qt::Key_Home);
  EXPECT_EQ(owner.coded, std::string("A\x80"));
  QInputMethodEvent im;
  im.setCommitString("q\xe9");
  QApplication::sendEvent(&edit, &im);
  EXPECT_EQ(owner.coded, std::string("A\x80Q\x80"));
  EXPECT_EQ(edit.text(), "AQ");
}

class DialogWidgets : public test::FrameFixture {};

TEST_F(DialogWidgets, FieldsAreUpperCaseWithTheirLimits) {
  CIndividualCallDlg dialog(frame_.get());
  dialog.show();
  QTest::keyClicks(dialog.address->lineEdit(), "bravo1234567890xyz");
  EXPECT_EQ(dialog.address->currentText(), "BRAVO1234567890");
  QTest::keyClicks(dialog.amd, QString(100, 'q'));
  EXPECT_EQ(dialog.amd->text(), QString(90, 'Q'));
  CSelectiveAnycallDlg selective(frame_.get());
  selective.show();
  QTest::keyClicks(selective.selector, "a?b@c");
  EXPECT_EQ(selective.selector->text(), "AB") << "letters and digits, two at most";
}

TEST_F(DialogWidgets, BadChannelKeepsTheDialogOpen) {
  auto* dialog = frame_->open_dialog<CGlobalAnycallDlg>();
  dialog->channel->setCurrentText("XYZ");
  dialog->accept();
  EXPECT_TRUE(dialog->isVisible());
  QWidget* focus = dialog->focusWidget();
  EXPECT_TRUE(focus == dialog->channel || focus == dialog->channel->lineEdit());
  dialog->channel->setCurrentText("");
  dialog->accept();
  EXPECT_FALSE(dialog->isVisible()) << "an empty channel closes without a call";
}

TEST_F(DialogWidgets, EachDialogFromItsCommand) {
  db_set_aqc_mode(0);
  const struct {
    int id;
    const char* title;
  } rows[] = {{32779, "Individual Call"}, {32780, "Net Call"},          {32781, "Group Call"},
              {32782, "Global Allcall"},  {32783, "Selective Allcall"}, {32784, "Global Anycall"},
              {32785, "Selective Anycall"}, {139, "Individual Call"},  {32825, "Stations Linked"}};
  ale_set_link_state(ALE_STATE_SCANNING_STOPPED);
  for (const auto& r : rows) {
    frame_->run_command(r.id);
    QWidget* shown = QApplication::activeModalWidget();
    ASSERT_NE(shown, nullptr) << r.id;
    EXPECT_EQ(shown->windowTitle(), r.title);
    shown->close();
  }
  // The clears need a link; a guarded command does nothing while the resources are released.
  frame_->run_command(32786);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Clear > Individual is for a link";
  ale_enter_linked();
  frame_->run_command(156);
  ASSERT_NE(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(QApplication::activeModalWidget()->windowTitle(), "Individual Clear");
  QApplication::activeModalWidget()->close();
  db_set_resources(0);
  frame_->run_command(32789);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(DialogWidgets, DataBarEnterAndReuseLast) {
  DataBar* bar = frame_->m_wndDataBar;
  EXPECT_TRUE(bar->amd->isChecked()) << "the data bar's defaults";
  db_set_listen_mode(0);
  bar->mmi_cli->setChecked(true);
  bar->text->setFocus();
  QTest::keyClicks(bar->text, "enable listen");
  QTest::keyClick(bar->text, Qt::Key_Return);
  EXPECT_EQ(bar->text->text(), "") << "the line empties at once";
  while (mmi_executor_step()) {
  }
  EXPECT_EQ(db_get_listen_mode(), 1);
  bar->reuse_last->click();
  EXPECT_EQ(bar->text->text(), "enable listen");
  // Open Data Bar builds it anew without a mode: ENTER then sends nothing.
  frame_->run_command(32941);
  EXPECT_FALSE(frame_->m_wndDataBar->amd->isChecked());
}

// Pictures of every call and clear dialog (the clears need a link, which no menu run has).
TEST_F(DialogWidgets, PicturesOfEachDialog) {
  const std::filesystem::path out = std::filesystem::path(VESK_BINARY_DIR) / "artefacts";
  std::filesystem::create_directories(out);
  auto save = [&](QWidget* w, const char* name) {
    w->show();
    QApplication::processEvents();
    EXPECT_TRUE(w->grab().save(QString::fromStdString((out / name).string()))) << name;
    delete w;
  };
  QWidget* parent = frame_.get();
  save(new CIndividualCallDlg(parent), "offscreen-individual-call.png");
  save(new CNetCallDlg(parent), "offscreen-net-call.png");
  save(new CGroupCallDlg(parent), "offscreen-group-call.png");
  save(new CGlobalAllcallDlg(parent), "offscreen-global-allcall.png");
  save(new CGlobalAnycallDlg(parent), "offscreen-global-anycall.png");
  save(new CSelectiveAllcallDlg(parent), "offscreen-selective-allcall.png");
  save(new CSelectiveAnycallDlg(parent), "offscreen-selective-anycall.png");
  save(new CIndividualClearDlg(parent), "offscreen-individual-clear.png");
  save(new CGroupClearDlg(parent), "offscreen-group-clear.png");
  save(new CClearNetDlg(parent), "offscreen-clear-net.png");
  save(new CClearGlobalAllcallDlg(parent), "offscreen-clear-global-allcall.png");
  save(new CStationsLinkedDlg(parent), "offscreen-stations-linked.png");
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

class MessageDialogWidgets : public test::FrameFixture {};

TEST_F(MessageDialogWidgets, AqcRestrictionsWhileNotLinked) {
  db_set_aqc_mode(1);
  ale_set_link_state(ALE_STATE_SCANNING);
  auto* amd = frame_->open_dialog<CSendAmdMessageDlg>();
  EXPECT_FALSE(amd->ok_button->isEnabled());
  EXPECT_FALSE(amd->amd->isEnabled());
  QTRY_VERIFY(amd->findChild<QMessageBox*>() != nullptr);
  EXPECT_EQ(amd->findChild<QMessageBox*>()->windowTitle(), "AQC-ALE Send AMD Warning");
  amd->close();
  auto* dbm = frame_->open_dialog<CDbmMessageDlg>();
  EXPECT_FALSE(dbm->ok_button->isEnabled());
  dbm->close();
  // Linked: no restriction.
  ale_enter_linked();
  auto* dtm = frame_->open_dialog<CDtmMessageDlg>();
  EXPECT_TRUE(dtm->ok_button->isEnabled());
  dtm->close();
}

TEST_F(MessageDialogWidgets, QuickAmdTypedAndPicked) {
  mmi_run_line(std::string("ADD OTHER BRAVO"));
  auto* d = frame_->open_dialog<CQuickAmdMessageDlg>();
  d->text->setFocus();
  QTest::keyClicks(d->text, "ab");
  EXPECT_EQ(d->coded.coded, std::string("A\x80" "B\x80"));
  EXPECT_EQ(d->text->text(), "AB");
  QTest::keyClick(d->text, Qt::Key_Backspace);
  QTest::keyClick(d->text, Qt::Key_Backspace);
  EXPECT_EQ(d->text->text(), "A");
  QListWidget* words = d->dictionaries[0];
  ASSERT_EQ(words->count(), 30);
  const QPoint first = words->visualItemRect(words->item(0)).center();
  QTest::mouseClick(words->viewport(), Qt::LeftButton, {}, first);
  QTest::mouseDClick(words->viewport(), Qt::LeftButton, {}, first);
  EXPECT_EQ(d->coded.coded, std::string("A\x80\x02\x20\x80", 5));
  d->addresses->add->setCurrentIndex(0);
  d->addresses->add->activated(0);
  EXPECT_EQ(d->addresses->line->text(), " BRAVO");
  d->close();
}

TEST_F(MessageDialogWidgets, PicturesOfEachDialog) {
  const std::filesystem::path out = std::filesystem::path(VESK_BINARY_DIR) / "artefacts";
  std::filesystem::create_directories(out);
  auto save = [&](QWidget* w, const char* name) {
    w->show();
    QApplication::processEvents();
    EXPECT_TRUE(w->grab().save(QString::fromStdString((out / name).string()))) << name;
    delete w;
  };
  QWidget* p = frame_.get();
  save(new CSendAmdMessageDlg(p), "offscreen-send-amd.png");
  save(new CDtmMessageDlg(p), "offscreen-dtm-message.png");
  save(new CDbmMessageDlg(p), "offscreen-dbm-message.png");
  save(new CFileTransferDlg(p), "offscreen-file-transfer.png");
  save(new CMil110MessageDlg(p), "offscreen-mil110-message.png");
  save(new CTncMessageDlg(p), "offscreen-tnc-message.png");
  save(new CQuickAmdMessageDlg(p), "offscreen-quick-amd.png");
  save(new CMeetMeDlg(p), "offscreen-meet-me.png");
  save(new CChannelDefinitionDlg(p), "offscreen-channel-definition.png");
  save(new CSlotAssignmentDlg(p), "offscreen-slot-assignment.png");
  save(new COperatorAckRequestDlg(p), "offscreen-operator-ack-request.png");
  save(new COperatorAckConfirmDlg(p), "offscreen-operator-ack-confirm.png");
  save(new CTerminateOtherAddressDlg(p), "offscreen-terminate-other.png");
  save(new CTerminateOwnAddressDlg(p), "offscreen-terminate-own.png");
}

TEST_F(MessageDialogWidgets, EachDialogFromItsCommandOrKey) {
  db_set_aqc_mode(1);
  ale_enter_linked();
  ale_set_signalling_mode(1);
  db_set_twx_mode(1);
  const struct {
    int id;
    const char* title;
  } rows[] = {{32820, "Send AMD Message"}, {32927, "Send AMD Message"}, {32817, "Enter DTM Message"},
              {32930, "Enter DTM Message"}, {32818, "Enter DBM Message"}, {32928, "Enter DBM Message"},
              {32862, "Enter MIL-STD 188-110 Message"}, {32929, "Enter MIL-STD 188-110 Message"},
              {32845, "File Transfer Dialog"}, {32931, "File Transfer Dialog"}, {32939, "Enter TNC Message"},
              {32895, "Quick AMD Message"}, {32932, "Quick AMD Message"}, {32897, "Terminate Other Address"},
              {32898, "Terminate Own Address"}, {32899, "Operator ACK Request"}, {32905, "Operator ACK Confirm"},
              {32902, "Meet Me"}, {32903, "Channel Definition"}, {32904, "Slot Assignment"}};
  for (const auto& r : rows) {
    frame_->run_command(r.id);
    QWidget* shown = QApplication::activeModalWidget();
    ASSERT_NE(shown, nullptr) << r.id;
    EXPECT_EQ(shown->windowTitle(), r.title) << r.id;
    shown->close();
  }
  // Ctrl+Q in a normal link (the AQC-ALE switch off) opens nothing.
  ale_set_signalling_mode(0);
  db_set_aqc_mode(0);
  frame_->run_command(32932);
  QWidget* shown = QApplication::activeModalWidget();
  EXPECT_EQ(shown, nullptr) << shown->windowTitle().toStdString();
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

class ConfigDialogWidgets : public test::FrameFixture {};

TEST_F(ConfigDialogWidgets, DatarateMenuLineMicPairAndFields) {
  auto* mil110 = frame_->open_dialog<CMil110OptionsDlg>();
  mil110->datarate->click();
  QTRY_VERIFY(mil110->datarate_menu->isVisible());
  ASSERT_EQ(mil110->datarate_menu->actions().size(), 13);
  mil110->datarate_menu->actions()[4]->trigger();  // "300 BPS LONG"
  EXPECT_EQ(mil110->datarate->text(), "300L");
  EXPECT_EQ(db_get_data_rate(), "300L");
  mil110->carrier[kCarrier1200]->click();
  EXPECT_FALSE(mil110->symbol[3]->isEnabled());
  EXPECT_TRUE(mil110->symbol[0]->isChecked());
  mil110->reject();
  EXPECT_EQ(db_get_modem_centre_freq(), 1200) << "Cancel keeps what the buttons stored";

  auto* sound = frame_->open_dialog<CSoundcardConfigDlg>();
  sound->line_in->click();
  EXPECT_FALSE(sound->mic_in->isChecked());
  sound->mic_in->click();
  EXPECT_FALSE(sound->line_in->isChecked());
  EXPECT_EQ(sound->input->itemText(sound->input->count() - 1), " Default Device");
  sound->reject();

  auto* tcp = frame_->open_dialog<CTcpIpConfigDlg>();
  tcp->address[0]->clear();
  QTest::keyClicks(tcp->address[0], "2567");
  EXPECT_EQ(tcp->address[0]->text(), "256");
  tcp->accept();
  EXPECT_TRUE(tcp->isVisible()) << "256 is refused, the dialog stays open";
  EXPECT_EQ(tcp->focusWidget(), tcp->address[0]);
  tcp->reject();
}

TEST_F(ConfigDialogWidgets, PicturesOfEachDialog) {
  const std::filesystem::path out = std::filesystem::path(VESK_BINARY_DIR) / "artefacts";
  std::filesystem::create_directories(out);
  auto save = [&](QWidget* w, const char* name) {
    w->show();
    QApplication::processEvents();
    EXPECT_TRUE(w->grab().save(QString::fromStdString((out / name).string()))) << name;
    delete w;
  };
  QWidget* p = frame_.get();
  save(new CMil110OptionsDlg(p), "offscreen-mil110-options.png");
  save(new CFs1052OptionsDlg(p), "offscreen-fs1052-options.png");
  save(new CSoundcardConfigDlg(p), "offscreen-soundcard.png");
  save(new CTcpIpConfigDlg(p), "offscreen-tcpip.png");
  save(new CEmailConfigDlg(p), "offscreen-email.png");
  save(new CFtpConfigDlg(p), "offscreen-ftp.png");
  save(new CRadioPortParamsDlg(p), "offscreen-radio-port-params.png");
  save(new CDllRadioFilenameDlg(p), "offscreen-dll-radio-filename.png");
  save(new CTracingDlg(p), "offscreen-tracing.png");
  save(new CRecorderParametersDlg(p), "offscreen-recorder.png");
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

class PanelWidgets : public test::FrameFixture {};

TEST_F(PanelWidgets, KeypadSliderAndOptions) {
  db_set_radio_type(149);
  frame_->run_command(32853);  // Tools > Radio Control
  CRadioControlPanelDlg* panel = frame_->m_dlgRadioPanel;
  ASSERT_TRUE(panel->isVisible());
  EXPECT_TRUE(frame_->m_bRadioPanelOpen);
  EXPECT_TRUE(panel->rx_vol->isVisibleTo(panel));
  EXPECT_EQ(panel->slider->maximum(), 255);
  for (const char* face : {"1", "4", "*", "2", "3", "5", "Mhz"}) panel->buttons.at(face)->click();
  EXPECT_EQ(panel->entry_display->text(), " 14235000");
  EXPECT_EQ(panel->panel.record.rx_freq_hz, 14235000);
  // A status refresh while digits are keyed leaves them.
  panel->buttons.at("7")->click();
  report_post_status_refresh();
  frame_->take_posts();
  EXPECT_EQ(panel->entry_display->text(), "7");
  panel->accept();
  EXPECT_FALSE(frame_->m_bRadioPanelOpen);
  // Kenwood type 51 with a model that reports no level: no slider.
  db_set_radio_type(51);
  frame_->run_command(32853);
  EXPECT_FALSE(panel->rx_vol->isVisibleTo(panel));
  panel->accept();

  auto* options = frame_->open_dialog<CMil141OptionsDlg>();
  options->editable = true;
  options->radio->setCurrentText("");
  QTest::keyClicks(options->radio->lineEdit(), "FT100");
  options->accept();
  EXPECT_FALSE(options->isVisible());
  EXPECT_EQ(db_get_radio_type(), 133);
}

TEST_F(PanelWidgets, Pictures) {
  const std::filesystem::path out = std::filesystem::path(VESK_BINARY_DIR) / "artefacts";
  std::filesystem::create_directories(out);
  auto save = [&](QWidget* w, const char* name, bool keep = false) {
    w->show();
    QApplication::processEvents();
    EXPECT_TRUE(w->grab().save(QString::fromStdString((out / name).string()))) << name;
    if (!keep) delete w;
  };
  frame_->m_dlgRadioPanel->OnInitDialog();
  save(frame_->m_dlgRadioPanel, "offscreen-radio-panel.png", true);
  frame_->m_dlgRadioPanel->hide();
  save(new CGotoChannelDlg(frame_.get()), "offscreen-goto-channel.png");
  save(new CAreYouSureDlg(frame_.get()), "offscreen-are-you-sure.png");
  save(new CMil141OptionsDlg(frame_.get()), "offscreen-mil141-options.png");
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

class DbDialogWidgets : public test::FrameFixture {};

TEST_F(DbDialogWidgets, EachDialogFromItsCommandAndPictures) {
  mmi_run_line(std::string("ADD OWN ALFA"));
  mmi_run_line(std::string("ADD OTHER BRAVO"));
  const struct {
    int id;
    const char* title;
    const char* png;
  } rows[] = {{32796, "Add Channel", "add-channel"},
              {32772, "Delete Channel", "delete-channel"},
              {32773, "Select Channel to Modify", "select-channel"},
              {32809, "Channels Information", "channels-info"},
              {32894, "Current Group Setup", "group-setup"},
              {32798, "Add Other Address", "add-other"},
              {32799, "Add Net Address", "add-net"},
              {32797, "Add Own Address", "add-own"},
              {32801, "Delete Other Address", "delete-other"},
              {32802, "Delete Net Address", "delete-net"},
              {32800, "Delete Own Address", "delete-own"},
              {32804, "Select Address", "select-other"},
              {32803, "Select Address", "select-own"},
              {32807, "List Other Addresses", "list-other"},
              {32808, "List Net Address", "list-net"},
              {32806, "Own Addresses ", "own-info"},
              {32834, "Reset Dynamic Other Addresses", "reset-dynamic"},
              {32821, "AMD Received ", "amd-received"},
              {32933, "AMD Received ", "amd-received-key"},
              {32822, "Linking Protection Keys", "lp-keys"},
              {32860, "Data Transfer Encryption Key", "encryption-key"}};
  const std::filesystem::path out = std::filesystem::path(VESK_BINARY_DIR) / "artefacts";
  std::filesystem::create_directories(out);
  for (const auto& r : rows) {
    frame_->run_command(r.id);
    QWidget* shown = QApplication::activeModalWidget();
    ASSERT_NE(shown, nullptr) << r.id;
    EXPECT_EQ(shown->windowTitle(), r.title) << r.id;
    QApplication::processEvents();
    shown->grab().save(QString::fromStdString((out / (std::string("offscreen-") + r.png + ".png")).string()));
    shown->close();
  }
  // The opened-by-others dialogs.
  for (QDialog* d : std::initializer_list<QDialog*>{new CAddressInfoDlg(0, 1, frame_.get()), new CNetAddressesInfoDlg(-1, frame_.get()),
                                                    new CModifyChannelDlg(1, frame_.get()), new CEditGroupLabelDlg(0, frame_.get()),
                                                    new CModifyOtherAddressDlg("BRAVO", frame_.get()),
                                                    new CModifyOwnAddressDlg("ALFA", frame_.get())}) {
    d->show();
    QApplication::processEvents();
    d->grab().save(QString::fromStdString((out / ("offscreen-" + d->windowTitle().toStdString() + ".png")).string()));
    delete d;
  }
}

TEST_F(DbDialogWidgets, KeyFieldsAndRefusals) {
  auto* keys = frame_->open_dialog<CLinkingProtectionKeysDlg>();
  QTest::keyClicks(keys->keys[0], "12345g78abcdefff");
  EXPECT_EQ(keys->keys[0]->text(), "12345G78ABCDEF") << "upper case, 14 at most";
  keys->accept();
  EXPECT_TRUE(keys->isVisible()) << "a non-hexadecimal digit is refused";
  keys->keys[0]->setText("12345678ABCDEF");
  keys->accept();
  EXPECT_FALSE(keys->isVisible());
  auto* enc = frame_->open_dialog<CEncryptionKeyDlg>();
  enc->key->setText("0123");
  enc->accept();
  EXPECT_TRUE(enc->isVisible());
  enc->reject();
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

class MenuWidgets : public test::FrameFixture {
 protected:
  // The enabled state of the tool-bar button of a command.
  bool tool_enabled(int id) {
    for (QAction* a : frame_->m_wndToolBar->actions())
      if (a->toolTip() == QString::fromLatin1(command_find(id)->tool_tip)) return a->isEnabled();
    return false;
  }
};

TEST_F(MenuWidgets, ScanCommandsFollowTheScanState) {
  db_set_scan_active();
  frame_->update_commands();
  EXPECT_FALSE(frame_->action(32812)->isEnabled());
  EXPECT_FALSE(frame_->action(32849)->isEnabled());
  EXPECT_FALSE(tool_enabled(32850));
  EXPECT_TRUE(frame_->action(32813)->isEnabled());
  db_clear_scan_active();
  frame_->update_commands();
  EXPECT_TRUE(frame_->action(32812)->isEnabled());
  EXPECT_TRUE(frame_->action(32849)->isEnabled());
  EXPECT_TRUE(tool_enabled(32850)) << "the tool bar's Step Back works";
  EXPECT_FALSE(frame_->action(32847)->isEnabled()) << "Scan > Step Back is always greyed";
  EXPECT_FALSE(frame_->action(32813)->isEnabled());
}

TEST_F(MenuWidgets, GuardsWhileReleased) {
  while (ApiEvent* e = api_pop()) api_free(e);
  db_set_resources(0);
  frame_->run_command(32812);  // Start Scan: nothing, and nothing said
  EXPECT_EQ(api_pop(), nullptr);
  db_set_scan_active();
  frame_->run_command(32813);  // Stop Scan is not guarded
  ApiEvent* e = api_pop();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->kind, API_STOP_SCANNING);
  api_free(e);
}

TEST_F(MenuWidgets, ResetAmdBox) {
  AmdStoreEntry entry{};
  entry.valid = 1;
  std::snprintf(entry.text, sizeof entry.text, "KEEP");
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    db_store_amd(entry);
    frame_->run_command(32917);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "RESET AMD DATABASE");
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    box->button(answer)->click();
    QApplication::processEvents();
    EXPECT_EQ(info_amd_received().find("KEEP") != std::string::npos, answer == QMessageBox::No);
  }
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

// Twelve channels, so that "1" is the start of channels 1, 10, 11 and 12 in the sorted lists.
class TypedTextWidgets : public test::FrameFixture {
 protected:
  TypedTextWidgets() {
    mmi_run_line(std::string("ADD OWN ALFA"));
    for (int n = 1; n <= 12; ++n) mmi_run_line("ADD CHANNEL " + std::to_string(3000000 + n * 1000000));
  }
  // Types into an editable list as an operator would, then presses Enter in it.
  static void type_and_enter(QComboBox* combo, const char* text) {
    // The dialog active and the list focused, as for an operator's keys.
    for (int i = 0; i < 100 && !combo->lineEdit()->hasFocus(); ++i) {
      QApplication::setActiveWindow(combo->window());
      combo->setFocus();
      QTest::qWait(10);
    }
    EXPECT_TRUE(combo->lineEdit()->hasFocus());
    combo->setCurrentText("");
    QTest::keyClicks(combo->lineEdit(), text);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QApplication::processEvents();
    while (mmi_executor_step()) {  // what OK handed to the command executor
    }
  }
  template <class Dialog>
  static bool closed(const QPointer<Dialog>& dialog) {
    return dialog.isNull() || !dialog->isVisible();
  }
};

// What is typed is what is taken: no list entry completes it.
TEST_F(TypedTextWidgets, TypedTextIsNotCompletedFromTheList) {
  ASSERT_EQ(db_channel_in_use(12), 1);
  ale_set_link_state(ALE_STATE_SCANNING_STOPPED);
  QPointer<CGlobalAllcallDlg> allcall = frame_->open_dialog<CGlobalAllcallDlg>();
  type_and_enter(allcall->channel, "1");
  EXPECT_TRUE(closed(allcall));
  EXPECT_EQ(db_current_channel_number(), 1) << "the allcall goes out on channel 1, not 10";

  db_select_channel(5);
  QPointer<CGotoChannelDlg> go = frame_->open_dialog<CGotoChannelDlg>();
  type_and_enter(go->channel, "1");
  EXPECT_TRUE(closed(go));
  EXPECT_EQ(db_current_channel_number(), 1);

  QPointer<CDeleteChannelDlg> del = frame_->open_dialog<CDeleteChannelDlg>();
  type_and_enter(del->pick, "1");
  EXPECT_TRUE(closed(del));
  EXPECT_EQ(db_channel_in_use(1), 0);
  EXPECT_EQ(db_channel_in_use(10), 1);

  // Radio types: a typed keyword selects its own number, also where a longer one begins with it.
  const struct {
    const char* typed;
    int type;
  } radios[] = {{"FT100", 133}, {"RF350", 96}, {"IC706", 6}, {"NONE", 133}};
  for (const auto& r : radios) {
    QPointer<CMil141OptionsDlg> options = frame_->open_dialog<CMil141OptionsDlg>();
    options->editable = true;
    type_and_enter(options->radio, r.typed);
    EXPECT_TRUE(closed(options)) << r.typed;
    EXPECT_EQ(db_get_radio_type(), r.type) << r.typed;
  }
  // An entry picked from the list is taken whole.
  auto* pick = frame_->open_dialog<CDeleteChannelDlg>();
  pick->pick->setCurrentIndex(pick->pick->findText("10", Qt::MatchStartsWith));
  pick->accept();
  EXPECT_EQ(db_channel_in_use(10), 0);
}

// The pickers say what they pick; the channel table shows every column without scrolling.
TEST_F(TypedTextWidgets, PickersAreLabelledAndTheChannelTableIsWhole) {
  const struct {
    int id;  // Channels > Delete, Channels > Modify, Channels > Goto, Addresses > Modify > Other
    const char* label;
  } pickers[] = {{32772, "Channel"}, {32773, "Channel"}, {32823, "Channel"}, {32804, "Address"}};
  for (const auto& p : pickers) {
    frame_->run_command(p.id);
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr) << p.id;
    auto* field = dialog->findChild<QComboBox*>();
    QString label;
    for (auto* form : dialog->findChildren<QFormLayout*>())
      if (auto* l = qobject_cast<QLabel*>(form->labelForField(field))) label = l->text();
    EXPECT_EQ(label, p.label) << p.id;
    dialog->close();
  }

  auto* info = frame_->open_dialog<CChannelsInfoDlg>();
  QApplication::processEvents();
  EXPECT_TRUE(info->text->toPlainText().contains("  YES") || info->text->toPlainText().contains("  NO "));
  EXPECT_EQ(info->text->horizontalScrollBar()->maximum(), 0) << "no column is cut off";
  EXPECT_GE(info->header->width(), QFontMetrics(info->header->font()).horizontalAdvance(info->header->text()));
  info->reject();
}

// Add Net without a net name: the one warning, no empty box after it.
TEST_F(TypedTextWidgets, AddNetWithoutANameShowsOneBox) {
  auto* net = frame_->open_dialog<CAddNetAddressDlg>();
  net->slots[0]->setCurrentText("ALFA");
  net->accept();
  QApplication::processEvents();
  EXPECT_TRUE(net->isVisible()) << "the dialog stays open with its contents";
  QStringList boxes;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) boxes << box->text();
  EXPECT_EQ(boxes.count("Missing NET Address"), 1);
  EXPECT_FALSE(boxes.contains("")) << "no box without a text";
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMessageBox*>(w) != nullptr) w->close();
  net->reject();
}

// Every number field of the station options shows its largest value whole, the release
// switches stand in their titled group.
TEST_F(TypedTextWidgets, OptionNumbersShowTheirLargestValueWhole) {
  auto* options = frame_->open_dialog<CMil141OptionsDlg>();
  QApplication::processEvents();
  ASSERT_EQ(options->numbers.size(), option_numbers().size());
  for (std::size_t i = 0; i < options->numbers.size(); ++i) {
    QLineEdit* e = options->numbers[i];
    const QString text = QString::number(option_numbers()[i].max);
    e->setText(text);
    // Unscrolled, the cursor moves by the text's width from its start to its end.
    e->setCursorPosition(0);
    e->repaint();
    const int start = e->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    e->setCursorPosition(static_cast<int>(text.size()));
    e->repaint();
    EXPECT_EQ(e->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() - start, QFontMetrics(e->font()).horizontalAdvance(text))
        << option_numbers()[i].text << " " << e->width() << " px";
  }
  QGroupBox* release = nullptr;
  for (auto* g : options->findChildren<QGroupBox*>())
    if (g->title() == "Release Resources") release = g;
  ASSERT_NE(release, nullptr);
  QStringList inside;
  for (auto* c : release->findChildren<QCheckBox*>()) inside << c->text();
  EXPECT_EQ(inside, (QStringList{"Radio 1 Com Port", "Radio 1 ALT PTT", "PC Sound Device"}));
  options->reject();
}

}  // namespace
}  // namespace vesk
