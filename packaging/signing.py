"""Authenticode signing (SHA-256) of the release files with Debian's osslsigncode, when the
environment gives a certificate: QUBEN_SIGN_PFX (a PKCS#12 file), QUBEN_SIGN_PASSWORD and,
optionally, QUBEN_SIGN_TIMESTAMP_URL (an RFC 3161 time-stamp server); a release for publication
needs both the certificate and the time-stamp server."""

import contextlib
import os
import subprocess
from dataclasses import dataclass
from pathlib import Path

# The signature's description: the program name Windows shows when the package asks for elevation.
PROGRAM_NAME = "QUBen"


class SigningError(RuntimeError):
    pass


@dataclass
class Certificate:
    """The signing certificate as Windows shows it: subject and issuer in the order of
    SignerCertificate.Subject (most general part last), and the SHA-1 thumbprint in capitals."""
    subject: str
    issuer: str
    thumbprint: str

    @property
    def self_signed(self):
        return self.subject == self.issuer


# Distinguished names as .NET prints them: RFC 2253's order and escaping, ", " between the parts.
NAME_OPTIONS = "esc_2253,esc_ctrl,utf8,dump_nostr,dump_der,sep_comma_plus_space,dn_rev,sname"


def certificate_of(pem):
    """The Certificate of the first certificate in `pem` (text)."""
    result = subprocess.run(["openssl", "x509", "-noout", "-nameopt", NAME_OPTIONS, "-subject", "-issuer",
                             "-fingerprint", "-sha1"], input=pem, capture_output=True, text=True)
    fields = {name.lower(): value.strip() for name, _, value in
              (line.partition("=") for line in result.stdout.splitlines())}
    if result.returncode != 0 or not {"subject", "issuer", "sha1 fingerprint"} <= fields.keys():
        raise SigningError(f"could not read the certificate: {result.stderr.strip()}")
    return Certificate(fields["subject"], fields["issuer"], fields["sha1 fingerprint"].replace(":", "").upper())


@dataclass
class Signer:
    pfx: Path
    password: str
    timestamp_url: str
    work: Path  # a private folder for the password file and the files being signed

    @contextlib.contextmanager
    def _password_file(self):
        """The password in a file only this user may read, for as long as a command needs it."""
        path = self.work / "password"
        path.touch(mode=0o600)
        path.write_text(self.password, "utf-8")
        try:
            yield path
        finally:
            path.unlink()

    def certificate(self):
        """The certificate the files are signed with: the PKCS#12 file's own (not its chain's)."""
        with self._password_file() as password_file:
            command = ["openssl", "pkcs12", "-in", str(self.pfx), "-passin", f"file:{password_file}", "-nokeys",
                       "-clcerts"]
            result = subprocess.run(command, capture_output=True, text=True)
            if result.returncode != 0:  # an older export (RC2) that OpenSSL 3 reads only with its legacy provider
                result = subprocess.run([*command, "-legacy"], capture_output=True, text=True)
        if result.returncode != 0:
            raise SigningError(f"could not read the certificate of {self.pfx}: {result.stderr.strip()}")
        return certificate_of(result.stdout)

    def sign(self, name, data):
        """The bytes of `data` (the file called `name`) with an Authenticode signature added."""
        flat = name.replace("/", "-")
        unsigned, signed = self.work / f"unsigned-{flat}", self.work / f"signed-{flat}"
        unsigned.write_bytes(data)
        signed.unlink(missing_ok=True)
        with self._password_file() as password_file:
            command = ["osslsigncode", "sign", "-pkcs12", str(self.pfx), "-readpass", str(password_file),
                       "-h", "sha256", "-n", PROGRAM_NAME]
            if self.timestamp_url:
                command += ["-ts", self.timestamp_url]
            result = subprocess.run([*command, "-in", str(unsigned), "-out", str(signed)], capture_output=True,
                                    text=True)
        if result.returncode != 0 or not signed.exists():
            # osslsigncode says what went wrong ("Wrong password?", "RFC 3161 timestamping failed")
            # before OpenSSL's error stack, which is left out.
            said = [line for line in (result.stdout + result.stderr).splitlines()
                    if line.strip() and ":error:" not in line and line.strip() != "Failed"]
            raise SigningError(f"could not sign {name} with {self.pfx}: " + " / ".join(said))
        return signed.read_bytes()


RELEASE_SETTINGS = ("QUBEN_SIGN_PFX", "QUBEN_SIGN_TIMESTAMP_URL")


def missing_for_release():
    """The settings a publishable release needs that the environment does not give."""
    return [name for name in RELEASE_SETTINGS if not os.environ.get(name, "")]


def signer_from_environment(work):
    """The Signer the environment asks for, or None when it names no certificate."""
    pfx = os.environ.get("QUBEN_SIGN_PFX", "")
    if not pfx:
        return None
    if not Path(pfx).is_file():
        raise SigningError(f"QUBEN_SIGN_PFX names no file: {pfx}")
    return Signer(Path(pfx), os.environ.get("QUBEN_SIGN_PASSWORD", ""),
                  os.environ.get("QUBEN_SIGN_TIMESTAMP_URL", ""), Path(work))
