#!/usr/bin/env python3
"""CPU an idle programmer uses with its port open.

Starts the program offscreen with COM1 mapped to a pseudo-terminal, lets it
settle, then reads its user+system CPU time from /proc over a quiet period.

  python3 bench/idle_cpu.py build/src/telemetry/ql4100 30
"""
import os, pty, subprocess, time, sys
master, slave = pty.openpty()
name = os.ttyname(slave)
import tempfile
home = tempfile.mkdtemp(prefix="ql41idle-")
cfg = home + "/cfg"
run = home + "/run"
os.makedirs(cfg + "/Zyn", exist_ok=True)
open(cfg + "/Zyn/Ql4100t.ini", "w").write(f"[Port]\nComPort=1\n[PortMap]\nCOM1={name}\n")
env = dict(os.environ, XDG_CONFIG_HOME=cfg, XDG_RUNTIME_DIR=run, QT_QPA_PLATFORM="offscreen")
os.makedirs(run, mode=0o700, exist_ok=True)
p = subprocess.Popen([os.path.abspath(sys.argv[1])], env=env, cwd=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
time.sleep(3)
def ticks():
    f = open(f"/proc/{p.pid}/stat").read().rsplit(")", 1)[1].split()
    return int(f[11]) + int(f[12])
t0 = ticks(); w0 = time.time()
time.sleep(float(sys.argv[2]))
t1 = ticks(); w1 = time.time()
hz = os.sysconf("SC_CLK_TCK")
print(f"CPU {(t1-t0)/hz:.3f} s over {w1-w0:.1f} s wall ({100*(t1-t0)/hz/(w1-w0):.3f} %)")
# threads of the process, to show the serial reader/writer are there
print("threads:", len(os.listdir(f"/proc/{p.pid}/task")))
print("fds:", [os.readlink(f"/proc/{p.pid}/fd/{fd}") for fd in os.listdir(f"/proc/{p.pid}/fd") if "pts" in os.readlink(f"/proc/{p.pid}/fd/{fd}")])
p.terminate(); p.wait()
