"""Signing the release with a throwaway self-signed certificate: both executables (in the zip and the
one inside the MSI) and the MSI pass `osslsigncode verify` against it, the signature is all that
changes in them, SHA256SUMS matches the signed files; signing without a time-stamp server warns that
the signatures end with the certificate; LISEZMOI shows the signer of the executables, and an
unsigned LISEZMOI says it is unsigned; a wrong password or an unreachable time-stamp
server fails the package command with a clear message and leaves dist/ as it was; a release for
publication (--release) without a certificate or without a time-stamp server is refused the same way."""

import hashlib
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

import olefile

from test_package import MSI_NAME, REPO, ZIP_NAME, make_package, msi, msi_table

SIGNATURE_STREAMS = {"\x05DigitalSignature", "\x05MsiDigitalSignatureEx"}


def verify(path, ca):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", str(ca), "-in", str(path)], capture_output=True,
                          text=True)


def streams(path):
    with olefile.OleFileIO(str(path)) as ole:
        return {"/".join(name): ole.openstream(name).read() for name in ole.listdir()}


class SignedRelease(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.keys = Path(tempfile.mkdtemp(prefix="quben-keys-"))
        cls.ca = cls.keys / "cert.pem"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                        "/CN=quben/O=quben", "-keyout", cls.keys / "key.pem", "-out", cls.ca], check=True,
                       capture_output=True)
        cls.pfx = cls.keys / "quben.pfx"
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", cls.keys / "key.pem", "-in", cls.ca, "-out",
                        cls.pfx, "-passout", "pass:mot de passe é"], check=True, capture_output=True)
        cls.unsigned, cls.signed = (Path(tempfile.mkdtemp(prefix=f"quben-{kind}-")) for kind in ("unsigned", "signed"))
        make_package(cls.unsigned, {"QUBEN_SIGN_PFX": None})
        cls.run_output = make_package(cls.signed, {"QUBEN_SIGN_PFX": str(cls.pfx),
                                                   "QUBEN_SIGN_PASSWORD": "mot de passe é",
                                                   "QUBEN_SIGN_TIMESTAMP_URL": None})
        assert cls.run_output.returncode == 0, cls.run_output.stderr
        cls.files = {}
        for kind, dist in (("unsigned", cls.unsigned), ("signed", cls.signed)):
            with zipfile.ZipFile(dist / ZIP_NAME) as archive:
                cls.files[kind] = {name: archive.read(name) for name in archive.namelist()}
            extracted = Path(tempfile.mkdtemp(prefix="quben-msi-"))
            subprocess.run(["msiextract", "-C", str(extracted), str(dist / MSI_NAME)], check=True,
                           capture_output=True)
            launcher = extracted / "Program Files" / "QUBen" / "demarrer_quben.exe"
            cls.files[kind]["msi/demarrer_quben.exe"] = launcher.read_bytes()

    def write(self, kind, name):
        path = Path(tempfile.mkdtemp(prefix="quben-check-")) / Path(name).name
        path.write_bytes(self.files[kind][name])
        return path

    def test_every_signed_file_verifies_against_the_certificate_and_unsigned_ones_do_not(self):
        names = ["x86/demarrer_quben.exe", "x64/demarrer_quben.exe", "msi/demarrer_quben.exe"]
        for kind, dist in (("signed", self.signed), ("unsigned", self.unsigned)):
            for path in [self.write(kind, name) for name in names] + [dist / MSI_NAME]:
                with self.subTest(kind=kind, file=path.name):
                    self.assertEqual(verify(path, self.ca).returncode == 0, kind == "signed")
        self.assertIn("signed with", self.run_output.stdout)

    def test_signing_without_a_time_stamp_warns_that_the_signature_ends_with_the_certificate(self):
        self.assertIn("warning: QUBEN_SIGN_TIMESTAMP_URL is not set", self.run_output.stderr)
        self.assertIn("stop being valid when the certificate expires", self.run_output.stderr)

    def test_the_signature_is_all_that_changes(self):
        for name in ("x86/demarrer_quben.exe", "x64/demarrer_quben.exe"):
            stripped = self.write("signed", name).with_suffix(".stripped")
            subprocess.run(["osslsigncode", "remove-signature", "-in", str(self.write("signed", name)), "-out",
                            str(stripped)], check=True, capture_output=True)
            self.assertEqual(stripped.read_bytes(), self.files["unsigned"][name], name)
        # The package as it was before it was signed: built again from the same, signed, launcher.
        before = Path(tempfile.mkdtemp(prefix="quben-msi-")) / MSI_NAME
        msi.build_msi(REPO / "packaging" / "quben.wxs", {
            "demarrer_quben.exe": self.files["signed"]["msi/demarrer_quben.exe"],
            "LISEZMOI.txt": self.files["signed"]["LISEZMOI.txt"],
            "icon.ico": (REPO / "assets" / "icon.ico").read_bytes()}, before,
            dict(row[:2] for row in msi_table(self.signed / MSI_NAME, "Property"))["ProductCode"])
        signed = streams(self.signed / MSI_NAME)
        self.assertTrue(SIGNATURE_STREAMS & signed.keys())
        self.assertEqual({key: value for key, value in signed.items() if key not in SIGNATURE_STREAMS},
                         streams(before))

    def test_readme_shows_the_signer_of_the_executables(self):
        pkcs7 = Path(tempfile.mkdtemp(prefix="quben-check-")) / "signature.der"
        exe = self.write("signed", "x86/demarrer_quben.exe")  # the signer, read from its signature
        signer = subprocess.run(f"osslsigncode extract-signature -in '{exe}' -out '{pkcs7}' >/dev/null && openssl "
                                f"pkcs7 -inform DER -in '{pkcs7}' -print_certs | openssl x509 -noout -nameopt "
                                "RFC2253 -subject -issuer -fingerprint -sha1", shell=True, capture_output=True,
                                text=True, check=True)
        readme = self.files["signed"]["LISEZMOI.txt"].decode("utf-8-sig")
        shown = re.findall(r"^    (?:Sujet|Émetteur|Empreinte SHA-1)\u00a0: (.*)\r$", readme, re.M)
        self.assertEqual([value.replace(", ", ",") for value in shown],
                         [line.partition("=")[2].replace(":", "") for line in signer.stdout.splitlines()])
        self.assertIn("Ce certificat est auto-signé", readme)
        self.assertIn(f"SHA-1 thumbprint {shown[2]}", self.run_output.stdout)
        unsigned = self.files["unsigned"]["LISEZMOI.txt"].decode("utf-8-sig")
        self.assertNotIn("Empreinte SHA-1", unsigned)
        self.assertIn("Cette version n'est pas signée", unsigned)

    def test_sums_match_the_signed_files(self):
        for line in self.files["signed"]["SHA256SUMS"].decode("ascii").splitlines():
            digest, name = line.split("  ")
            self.assertEqual(hashlib.sha256(self.files["signed"][name]).hexdigest(), digest, name)

    def test_a_signing_failure_stops_the_command_with_a_clear_message_and_leaves_dist_as_it_was(self):
        failures = {"Wrong password?": {"QUBEN_SIGN_PASSWORD": "wrong", "QUBEN_SIGN_TIMESTAMP_URL": None},
                    "RFC 3161 timestamping failed": {"QUBEN_SIGN_PASSWORD": "mot de passe é",
                                                     "QUBEN_SIGN_TIMESTAMP_URL": "http://127.0.0.1:9/"}}
        for reason, env in failures.items():
            with self.subTest(reason):
                dist = Path(tempfile.mkdtemp(prefix="quben-dist-"))
                (dist / MSI_NAME).write_bytes(b"previous release")
                result = make_package(dist, {"QUBEN_SIGN_PFX": str(self.pfx), **env})
                self.assertNotEqual(result.returncode, 0)
                self.assertIn("package not built, dist/ left as it was: could not sign x86/demarrer_quben.exe",
                              result.stderr)
                self.assertIn(reason, result.stderr)
                self.assertEqual("QUBEN_SIGN_TIMESTAMP_URL is not set" in result.stderr,
                                 not env["QUBEN_SIGN_TIMESTAMP_URL"])
                self.assertEqual([(p.name, p.read_bytes()) for p in dist.iterdir()],
                                 [(MSI_NAME, b"previous release")])


def tree(folder):
    return {str(path.relative_to(folder)): path.read_bytes() for path in folder.rglob("*") if path.is_file()}


class ReleaseNeedsASignedAndTimeStampedPackage(unittest.TestCase):
    def test_release_without_certificate_or_time_stamp_server_writes_nothing(self):
        pfx = Path(tempfile.mkdtemp(prefix="quben-keys-")) / "quben.pfx"
        pfx.write_bytes(b"not read: the command stops before")
        dist = REPO / "dist"
        before = tree(dist) if dist.exists() else None
        cases = {"QUBEN_SIGN_PFX": {"QUBEN_SIGN_TIMESTAMP_URL": "http://127.0.0.1:9/"},
                 "QUBEN_SIGN_TIMESTAMP_URL": {"QUBEN_SIGN_PFX": str(pfx)},
                 "QUBEN_SIGN_PFX and QUBEN_SIGN_TIMESTAMP_URL": {}}
        for missing, env in cases.items():
            with self.subTest(missing=missing):
                unset = {key: value for key, value in os.environ.items() if not key.startswith("QUBEN_SIGN_")}
                result = subprocess.run(["bash", REPO / "scripts" / "package.sh", "--release"], capture_output=True,
                                        text=True, env={**unset, **env})
                self.assertNotEqual(result.returncode, 0)
                self.assertEqual(result.stderr.strip().splitlines()[-1],
                                 "release not built, dist/ left as it was: a release is signed and time-stamped, "
                                 f"but {missing} {'are' if ' and ' in missing else 'is'} not set")
                self.assertEqual(tree(dist) if dist.exists() else None, before)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]])
