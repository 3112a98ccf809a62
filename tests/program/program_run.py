"""One run of TarnWick.exe in a folder of its own under Wine, against the stand-in, seen from outside:
the list through window_probe.exe, and afterwards the database, the settings file, the log and the
registry. The folder and the stand-in go away with the run."""
import contextlib
import os
import shutil
import sqlite3
import subprocess
import sys
import time
import types

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, '..', 'standin')]
from standin_process import StandInProcess, to_wine, standin  # noqa: E402

# Menu commands of the main window.
IDM_UPDATENOW, IDM_EXIT, IDM_PURGEHISTORY = 507, 509, 40017
SW_MINIMIZE, SW_RESTORE = 6, 9


class Tools:
    """The programs a run needs, from the command line of the test."""

    def __init__(self, wine_run, exe, probe, trust):
        self.wine_run, self.exe, self.probe, self.trust = wine_run, exe, probe, trust


class ProgramRun:
    def __init__(self, tools, tag, options, stocks=(), extra='', subdir='', standin_args=()):
        """options: the [Options] lines; stocks: (symbol, value) pairs of [Stocks]; extra: more text
        for the settings file; subdir: a folder under the program's folder for a settings file named
        on the command line (then the program's own TarnWick.INI stays absent)."""
        self.tools = tools
        self.server = StandInProcess('tw_%s.' % tag)
        self.dir = os.path.join(self.server.work, 'prog')
        os.makedirs(self.dir)
        self.exe = os.path.join(self.dir, 'TarnWick.exe')
        shutil.copy(tools.exe, self.exe)
        self.options, self.stocks, self.extra = options, stocks, extra
        self.ini = os.path.join(self.dir, subdir, 't.ini' if subdir else 'TarnWick.INI')
        os.makedirs(os.path.dirname(self.ini), exist_ok=True)
        self.db = os.path.join(self.dir, 'TarnWick.db')
        self.log = os.path.join(self.dir, 'TarnWick.log')
        self.standin_args = standin_args
        self.proc = None
        self.started = None

    def __enter__(self):
        if self.server.start(self.tools.wine_run, self.tools.trust, 900, *self.standin_args,
                             stdout=subprocess.DEVNULL):
            raise RuntimeError('the stand-in certificate could not be trusted')
        ports = self.server.ports
        self.hosts = standin.StandIn.hosts_section(types.SimpleNamespace(port=ports['port'],
                                                                         tls_port=ports['tls_port']))
        self.write_ini(self.hosts)
        return self

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.probe('command', str(IDM_EXIT))
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        self.server.__exit__(*exc)

    def write_ini(self, hosts):
        # "{port}" in a value stands for the stand-in's http port.
        port = str(self.server.ports['port'])
        text = '[Options]\n' + ''.join('%s=%s\n' % (k, str(v).replace('{port}', port)) for k, v in self.options)
        if self.stocks:
            text += '[Stocks]\n' + ''.join('%s=%s\n' % kv for kv in self.stocks)
        text += hosts + self.extra
        with open(self.ini, 'w', newline='\r\n') as f:
            f.write(text)

    def spawn(self, *args):
        """Another process of the program with these command-line words, started in its folder as
        Explorer starts it."""
        return subprocess.Popen([self.tools.wine_run, to_wine(self.exe)] + list(args), cwd=self.dir,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def start(self, *args):
        """Starts the program with these command-line words (give Linux paths through to_wine)."""
        self.started = time.time()
        self.proc = self.spawn(*args)
        return self.proc

    def probe(self, *args, timeout=90):
        """(exit code, output lines) of window_probe.exe."""
        r = subprocess.run([self.tools.wine_run, self.tools.probe] + list(args), stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, timeout=timeout)
        return r.returncode, r.stdout.decode('latin-1').splitlines()

    def view(self, *args, **kw):
        """The window as the probe reads it: {'title', 'state': {...}, 'header': [(text, arrow)],
        'rows': [(image, [cells])]}, or None when the probe failed."""
        rc, lines = self.probe(*args, **kw)
        out = {'rc': rc, 'rows': [], 'header': [], 'state': {}, 'title': None}
        for line in lines:
            kind, _, rest = line.partition('\t')
            if kind == 'title':
                out['title'] = rest
            elif kind == 'state':
                out['state'] = {k: int(v) for k, v in (w.split('=') for w in rest.split())}
            elif kind == 'header':
                out['header'] = [(c.rpartition('|')[0], int(c.rpartition('|')[2])) for c in rest.split('\t')]
            elif kind == 'row':
                cells = rest.split('\t')
                out['rows'].append((int(cells[0]), cells[1:]))
        return out

    def wait_filled(self, rows, column=2, seconds=60):
        return self.view('wait-filled', str(rows), str(column), str(seconds), timeout=seconds + 60)

    def wait_exit(self, seconds=60):
        """The program's exit code, or None when it is still running after `seconds`."""
        try:
            return self.proc.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return None

    def requests(self, path=None):
        """The stand-in's request log so far (all entries, or those for one path)."""
        log = self.server.log
        if not os.path.exists(log):
            return []
        entries = standin.read_log(log)
        return [e for e in entries if path is None or e['path'] == path]

    def ini_value(self, section, key):
        """A value of the settings file as the program left it (None when absent)."""
        current = None
        with open(self.ini, encoding='latin-1') as f:
            for line in f:
                line = line.strip()
                if line.startswith('[') and line.endswith(']'):
                    current = line[1:-1].lower()
                elif current == section.lower() and '=' in line:
                    k, _, v = line.partition('=')
                    if k.strip().lower() == key.lower():
                        return v.strip()
        return None

    def query(self, sql, *params):
        # Closed at once: a connection left to the garbage collector keeps the file open, and the
        # program's exit then cannot take the log files away.
        with contextlib.closing(sqlite3.connect(self.db)) as db, db:
            return db.execute(sql, params).fetchall()

    def log_text(self):
        if not os.path.exists(self.log):
            return ''
        with open(self.log, encoding='latin-1') as f:
            return f.read()
