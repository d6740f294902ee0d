#!/usr/bin/env bash
# scripts/check-layers passes on this tree and fails on each kind of wrong include.
set -uo pipefail
script="$1"
source_root="$2"
failures=0

"$script" "$source_root" >/dev/null || { echo "FAIL: the tree itself breaks a layer"; failures=1; }

tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
# Each line: file, include line, whether check-layers must accept it. Folders
# are matched whole: a rule for fiscal/ says nothing of fiscalctl/.
while IFS='|' read -r file include verdict; do
  rm -rf "${tree:?}"/*
  mkdir -p "$tree/$(dirname "$file")"
  printf '%s\n' "$include" >"$tree/$file"
  if "$script" "$tree" >/dev/null 2>&1; then got=accept; else got=reject; fi
  if [ "$got" != "$verdict" ]; then
    echo "FAIL: $file with $include: expected $verdict, got $got"
    failures=1
  fi
done <<'CASES'
shell/event_context.h|#include "app/module_storage.h"|reject
shell/control_table.h|#include "printer/printer_library.h"|reject
printer/port_connection.h|#include "fiscal/status.h"|reject
fiscal/status.cpp|#include "window/main_window.h"|reject
fiscal/status.cpp|#include <QString>|reject
app/event_table.cpp|#include <QWidget>|reject
contract/ticket.cpp|#include "shell/control_table.h"|reject
simulator/model/paper_roll.h|#include "simulator/link/session.h"|reject
fiscal/status.cpp|  #  include "app/console_module.h"|reject
app/main.cpp|#include "fiscalctl/session.h"|reject
fiscalctl/session.cpp|#include "printer/printer_library.h"|reject
fiscalctl/session.cpp|#include "host/library_calls.h"|accept
host/library_calls.h|#include "printer/printer_library.h"|reject
host/library_calls.h|#include "protocol/frame.h"|reject
simulator/memory/sqlite.cpp|#include "simulator/modelling/rates.h"|reject
simulator/link/session.cpp|#include "simulator/program/stats.hpp"|reject
simulator/link/session.cpp|#include "simulator/program/stats.h"|reject
windowing/view.cpp|#include <QWidget>|reject
fiscal/status.cpp|#include "printer/printer_library.h"|accept
app/main.cpp|#include "window/forms_runtime.h"|accept
window/main_window.h|#include <QWidget>|accept
panel/panel_window.h|#include <QWidget>|accept
panel/panel_window.cpp|#include "simulator/control/watch_event.h"|accept
panel/panel_window.cpp|#include "simulator/link/session.h"|reject
panel/panel_window.cpp|#include "window/main_window.h"|reject
simulator/program/run.cpp|#include <QString>|reject
simulator/control/watch_event.cpp|#include "panel/event_text.h"|reject
CASES
exit "$failures"
