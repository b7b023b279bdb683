#!/usr/bin/python3
"""impacket's own SMB server, as it comes, for the interop tests: a second
server written apart from Samba (SMB 2.0.2, NTLM, HMAC-SHA256 signing, its
own srvsvc; no winreg, no svcctl) with an ADMIN$ share holding
system32/ntoskrnl.exe.

  impacket_server.py ADDRESS STATE_DIR [ACCOUNT PASSWORD]

With ACCOUNT, that account alone may log on (NTLM, checked against
PASSWORD); without, every logon is let in, the anonymous one too. Writes
STATE_DIR/impacket_server.pid once it listens; its log goes to
STATE_DIR/smb_server.log.
"""

import os
import sys

from impacket import smbserver
from impacket.ntlm import compute_nthash


def main():
    address, state = sys.argv[1:3]
    account = sys.argv[3:5]
    share = os.path.join(state, "admin")
    os.makedirs(os.path.join(share, "system32"), exist_ok=True)
    with open(os.path.join(share, "system32", "ntoskrnl.exe"), "w") as f:
        f.write("impacket test kernel image\n")

    smb = smbserver.SimpleSMBServer(listenAddress=address, listenPort=445)
    smb.setSMB2Support(True)
    smb.setSMBChallenge("")
    smb.setLogFile(os.path.join(state, "smb_server.log"))
    smb.addShare("ADMIN$", share, "Remote Admin", readOnly="yes")
    if account:
        name, password = account
        smb.addCredential(name, 500, "", compute_nthash(password).hex())
    with open(os.path.join(state, "impacket_server.pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    smb.start()


if __name__ == "__main__":
    main()
