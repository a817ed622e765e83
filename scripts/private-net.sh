#!/bin/sh
# private-net.sh COMMAND [ARGS...]: runs the command in a network namespace of its own with only its
# loopback up, so that no other program on this machine (the program itself, a demo) can hold or disturb
# the fixed ports it binds. As root a new namespace; otherwise one inside a user namespace of its own.
for how in -n -rn; do
  if unshare $how true 2>/dev/null; then
    exec unshare $how sh -c 'ip link set lo up && exec "$@"' private-net "$@"
  fi
done
echo "private-net.sh: no network namespace can be made here; running on this machine's own network" >&2
exec "$@"
