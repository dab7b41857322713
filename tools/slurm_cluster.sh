# A one-node Slurm cluster on localhost for tests and benchmarks; sourced, not run.
#   . tools/slurm_cluster.sh
#   slurm_cluster_start <folder>   starts munged, slurmctld and slurmd with their configuration,
#                                  state, sockets and logs in <folder> (whose parent folders all
#                                  users may search, for munged); exports SLURM_CONF; waits until
#                                  the node is idle. Returns non-zero (and prints the logs' ends)
#                                  when the cluster does not come up within a minute.
#   slurm_cluster_stop             cancels every job, then stops each daemon it started, by pid.
# The packages come from `tools/install-deps.sh slurm`. The daemons run as the current user (root
# in CI); process tracking by the process list and no task plugin need no cgroups.

slurm_cluster_pids=()

# slurm_free_port <from>: the first port from <from> on that nothing on localhost listens on.
slurm_free_port() {
  local port=$1
  while (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
  echo "$port"
}

# slurm_cluster_daemon <name> <command...>: starts a daemon in the foreground mode in the
# background, its output in <name>.out, and keeps its pid for slurm_cluster_stop.
slurm_cluster_daemon() {
  local name=$1
  shift
  "$@" >"$slurm_cluster_dir/$name.out" 2>&1 &
  slurm_cluster_pids+=("$!")
}

slurm_cluster_start() {
  slurm_cluster_dir=$1
  local dir=$1 user cpus port
  user=$(id -un)
  cpus=$(nproc)
  mkdir -p "$dir/munge" "$dir/state" "$dir/spool"
  # munged refuses a socket in a folder that not everyone can search, and a key that others can
  # read.
  chmod 755 "$dir" "$dir/munge"
  (umask 077 && dd if=/dev/urandom of="$dir/munge/munge.key" bs=1024 count=1 status=none)
  slurm_cluster_daemon munged munged --foreground --socket="$dir/munge/munge.socket" \
    --key-file="$dir/munge/munge.key" --pid-file="$dir/munge/munged.pid" \
    --seed-file="$dir/munge/munged.seed" --log-file="$dir/munge/munged.log"
  local deadline=$((SECONDS + 20))
  until [ -S "$dir/munge/munge.socket" ]; do
    if [ "$SECONDS" -ge "$deadline" ] || ! slurm_running "${slurm_cluster_pids[0]}"; then
      slurm_cluster_failed
      return 1
    fi
    sleep 0.1
  done

  # Ports of their own, so that a cluster already running here is not disturbed.
  port=$(slurm_free_port $((20000 + RANDOM % 20000)))
  local slurmd_port
  slurmd_port=$(slurm_free_port $((port + 1)))
  cat >"$dir/slurm.conf" <<EOF
ClusterName=tarn
SlurmctldHost=localhost
SlurmctldPort=$port
SlurmdPort=$slurmd_port
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge/munge.socket
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SwitchType=switch/none
MailProg=/bin/true
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
NodeName=localhost NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=tarn Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
  export SLURM_CONF="$dir/slurm.conf"
  slurm_cluster_daemon slurmctld slurmctld -D -f "$SLURM_CONF"
  slurm_cluster_daemon slurmd slurmd -D -N localhost -f "$SLURM_CONF"

  # Bounded: a daemon that failed to start leaves the node down or unknown.
  deadline=$((SECONDS + 60))
  until [ "$(timeout 10 sinfo --noheader --nodes=localhost --format=%T 2>/dev/null)" = idle ]; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      slurm_cluster_failed
      return 1
    fi
    sleep 0.25
  done
}

slurm_cluster_failed() {
  echo "The Slurm cluster in $slurm_cluster_dir did not come up:" >&2
  tail -n 5 "$slurm_cluster_dir"/*.out >&2 2>/dev/null || true
}

# slurm_running <pid>: whether the process runs (exists and is no zombie waiting for `wait`).
slurm_running() {
  local stat
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  [[ "${stat##*) }" != Z* ]]
}

slurm_cluster_stop() {
  [ ${#slurm_cluster_pids[@]} -gt 0 ] || return 0
  local n pid
  # A job left running (a failed step) would keep a slurmstepd, which slurmd does not end.
  if timeout 10 scancel --quiet --user="$(id -un)" 2>/dev/null; then
    for _ in $(seq 40); do
      [ -z "$(timeout 10 squeue --noheader --format=%i 2>/dev/null)" ] && break
      sleep 0.25
    done
  fi
  # In reverse order of start: slurmd, slurmctld, munged. Bounded: one that does not end on
  # SIGTERM is killed.
  for ((n = ${#slurm_cluster_pids[@]} - 1; n >= 0; n--)); do
    pid=${slurm_cluster_pids[n]}
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 40); do
      slurm_running "$pid" || break
      sleep 0.25
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  slurm_cluster_pids=()
}
