// What the engine tells the host-port client about link events and received messages. The
// engine calls these at its events; each passes the report on to the host port through its
// hook (bound by the station's wiring) and does nothing while the hook is empty.
#pragma once

#include <functional>
#include <string>

namespace vesk {

struct HostReportHooks {
  // A link is entered: this station called ("" once its acknowledgement is out; "*" for a
  // global allcall), or a station (its address) answered a net or group call.
  std::function<void(const std::string& suffix)> linked;
  // This station was called and the caller's acknowledgement arrived.
  std::function<void(const std::string& caller)> linked_to;
  // A frame inside an individual link has gone out or been answered.
  std::function<void()> amd_sent;
  // The words of an AMD text have been built for sending.
  std::function<void()> amd_sent_pending;
  std::function<void()> resumed_scanning;
  // A received AMD message, once stored: the frame's address, the text and the sender.
  std::function<void(const std::string& to, const std::string& text, const std::string& from)> amd_received;
  // A received AMD message of a frame for this station (not AQC-ALE), after the report above:
  // the remote commands it may hold. And the expiry of a remote command's reply timer.
  std::function<void(const std::string& to, const std::string& from, const std::string& text)> remote_amd_command;
  std::function<void(int timer)> remote_command_reply;
  // A progress line of a data message or file transfer, for the client only (never logged).
  std::function<void(const std::string& text)> progress;
};

HostReportHooks& host_report_hooks();

void ale_host_report_linked(const std::string& suffix);
void ale_host_report_linked_to(const std::string& caller);
void ale_host_report_amd_sent();
void ale_host_report_amd_sent_pending();
void ale_host_report_resumed_scanning();
void ale_host_report_amd_received(const std::string& to, const std::string& text, const std::string& from);
void ale_remote_amd_command(const std::string& to, const std::string& from, const std::string& text);
void ale_remote_command_reply(int timer);
// While the log's TCP echo is on: "[time][channel][<what>:]" to the host-port client only.
void ale_host_report_progress(const char* what);

}  // namespace vesk
