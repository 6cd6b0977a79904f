#include "ale/engine/host_reports.h"

#include "db/log.h"
#include "platform/station.h"

namespace vesk {

HostReportHooks& host_report_hooks() { return station().state<HostReportHooks>(); }

void ale_host_report_linked(const std::string& suffix) {
  if (auto& h = host_report_hooks().linked) h(suffix);
}
void ale_host_report_linked_to(const std::string& caller) {
  if (auto& h = host_report_hooks().linked_to) h(caller);
}
void ale_host_report_amd_sent() {
  if (auto& h = host_report_hooks().amd_sent) h();
}
void ale_host_report_amd_sent_pending() {
  if (auto& h = host_report_hooks().amd_sent_pending) h();
}
void ale_host_report_resumed_scanning() {
  if (auto& h = host_report_hooks().resumed_scanning) h();
}
void ale_host_report_amd_received(const std::string& to, const std::string& text, const std::string& from) {
  if (auto& h = host_report_hooks().amd_received) h(to, text, from);
}

void ale_remote_amd_command(const std::string& to, const std::string& from, const std::string& text) {
  if (auto& h = host_report_hooks().remote_amd_command) h(to, from, text);
}
void ale_remote_command_reply(int timer) {
  if (auto& h = host_report_hooks().remote_command_reply) h(timer);
}

void ale_host_report_progress(const char* what) {
  if (log_tcp_echo() == 0) return;
  auto& h = host_report_hooks().progress;
  if (!h) return;
  h("[" + log_time_stamp() + "][" + log_current_channel_stamp() + "][" + what + ":]\n");
}

}  // namespace vesk
