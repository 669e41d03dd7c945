#!/usr/bin/env bash
# Runs a command in a network namespace of its own, whose loopback drops every packet sent to one
# TCP port: a connection there gets no answer at all, as on a network that loses packets, and
# waits until the system gives it up (after about 3 s: the namespace retries a SYN once).
#   bash tools/dropping-netns.sh COMMAND [ARG...]
# The command gets ORV_DROPPED_PORT (the port), and ORV_TWO_ADDRESS_NAME, a host name that the
# namespace's hosts file gives both loopback addresses, ::1 and 127.0.0.1. The namespace has
# nothing but its own loopback, so nothing the command sends leaves the machine. Where no namespace can be made (not root, ip or
# nft missing, a kernel without them), the command runs outside any with ORV_NETNS_UNAVAILABLE
# saying why, so that its tests skip and say so. Needs iproute2 and nftables.
# Exit code: the command's; 3 when the command passed but no packet to the port was dropped (its
# connections never went there).
set -uo pipefail

port="${ORV_DROPPED_PORT_NUMBER:-47123}"
ns="orvanel-drop-$$"
two_address_name="both.orvanel.test"
why=""
err="$(mktemp)"

if [ "$(id -u)" -ne 0 ]; then
  why="making a network namespace needs root"
elif ! command -v ip >/dev/null 2>&1; then
  why="ip (iproute2) is not installed"
elif ! command -v nft >/dev/null 2>&1; then
  why="nft (nftables) is not installed"
elif ! ip netns add "$ns" 2>"$err"; then
  why="ip netns add failed: $(tr '\n' ' ' <"$err")"
else
  trap 'ip netns del "$ns" 2>/dev/null; rm -rf "/etc/netns/$ns"; rm -f "$err"' EXIT
  # ip netns exec puts the files of /etc/netns/<name>/ in place of those of /etc.
  mkdir -p "/etc/netns/$ns"
  printf '127.0.0.1 localhost\n::1 localhost\n::1 %s\n127.0.0.1 %s\n' \
    "$two_address_name" "$two_address_name" >"/etc/netns/$ns/hosts"
  if ! { ip netns exec "$ns" ip link set lo up &&
         ip netns exec "$ns" sysctl -qw net.ipv4.tcp_syn_retries=1 &&
         ip netns exec "$ns" nft -f - <<EOF
table inet orvanel_drop {
  chain input {
    type filter hook input priority 0; policy accept;
    tcp dport $port counter drop
  }
}
EOF
       } 2>"$err"; then
    why="the namespace could not be set up: $(tr '\n' ' ' <"$err")"
  fi
fi

if [ -n "$why" ]; then
  rm -f "$err"
  echo "dropping-netns: $why; running without a namespace" >&2
  ORV_NETNS_UNAVAILABLE="$why" "$@"
  exit $?
fi

ip netns exec "$ns" env ORV_DROPPED_PORT="$port" ORV_TWO_ADDRESS_NAME="$two_address_name" "$@"
rc=$?
dropped="$(ip netns exec "$ns" nft list chain inet orvanel_drop input 2>/dev/null |
           grep -oE 'packets [0-9]+' | grep -oE '[0-9]+' | head -1)"
echo "dropping-netns: ${dropped:-0} packets to port $port dropped"
if [ "$rc" -eq 0 ] && [ "${dropped:-0}" -eq 0 ]; then exit 3; fi
exit $rc
