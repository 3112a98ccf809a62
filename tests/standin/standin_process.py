"""The stand-in as a process of its own, for the drivers that run a WinINet client under Wine against it:
a work folder, the stand-in in live mode on port 0 with its port file, request log and certificate in that
folder, the certificate trusted in the test prefix; on leaving, the process ended and the folder removed."""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, '..', '..', 'tools')
sys.path[:0] = [TOOLS, os.path.join(TOOLS, 'standin')]
from winpath import to_wine  # noqa: E402
import standin  # noqa: E402


class StandInProcess:
    def __init__(self, prefix):
        self.work = tempfile.mkdtemp(prefix=prefix)
        self.log = os.path.join(self.work, 'requests.jsonl')
        self.proc = None
        self.ports = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def start(self, wine_run, trust, duration, *args, stdout=None):
        """Starts the stand-in with `args` added, waits for its ports and trusts its certificate;
        returns the exit code of the trust program (0: trusted)."""
        port_file = os.path.join(self.work, 'ports.json')
        self.proc = subprocess.Popen([sys.executable, os.path.join(TOOLS, 'standin', 'standin.py'), '--live',
                                      '--port-file', port_file, '--log', self.log,
                                      '--cert-dir', os.path.join(self.work, 'cert'),
                                      '--duration', str(duration)] + list(args), stdout=stdout)
        self.ports = standin.read_port_file(port_file, self.proc)
        return subprocess.run([wine_run, trust, to_wine(self.ports['cert'])], timeout=120).returncode

    def stop(self):
        """Ends the stand-in; the entries of its request log."""
        self.proc.terminate()
        self.proc.wait(timeout=10)
        return standin.read_log(self.log)
