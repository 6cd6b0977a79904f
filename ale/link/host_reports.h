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
};

HostReportHooks& host_report_hooks();

void ale_host_report_linked(const std::string& suffix);
void ale_host_report_linked_to(const std::string& caller);
void ale_host_report_amd_sent();
void ale_host_report_amd_sent_pending();
void ale_host_report_resumed_scanning();
void ale_host_report_amd_received(const std::string& to, const std::string& text, const std::string& from);

}  // namespace vesk
