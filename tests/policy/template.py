#!/usr/bin/env python3
# The Group Policy template: its three files parse, every text and presentation it names exists in English and
# German alike, and the key, value names and interval range it offers are those HoralSvc.exe reads and accepts. The
# journeys import policy_settings() to write policy values exactly where the template puts them.
# Usage: template.py <policy folder> <HoralSvc.exe> [unittest arguments]
import os
import re
import sys
import unittest
from xml.etree import ElementTree

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}


def parse(folder, language=""):
    return ElementTree.parse(os.path.join(folder, language, "HoralSvc.adml" if language else "HoralSvc.admx")).getroot()


def policy_settings(folder):
    # The key, the value names, the interval's range and its suggested value, as the template has them.
    admx = parse(folder)
    (text,), (decimal,) = (list(admx.iterfind(".//p:" + element, NS)) for element in ("text", "decimal"))
    (key,) = {policy.get("key") for policy in admx.iterfind(".//p:policy", NS)}  # one key for both
    box = parse(folder, "en-US").find(".//p:decimalTextBox[@refId='%s']" % decimal.get("id"), NS)
    return {"key": key, "servers": text.get("valueName"), "interval": decimal.get("valueName"),
            "min": int(decimal.get("minValue")), "max": int(decimal.get("maxValue")),
            "default": int(box.get("defaultValue"))}


class Template(unittest.TestCase):
    folder = exe = None

    def test_every_reference_resolves_alike_in_both_languages(self):
        admx, adml = parse(self.folder), [parse(self.folder, language) for language in ("en-US", "de-DE")]
        ids = lambda tag: [{e.get("id") for e in table.iterfind(".//p:" + tag, NS)} for table in adml]
        for tag in ("string", "presentation"):
            self.assertEqual(*ids(tag), msg=tag)
        for tag, name in re.findall(r"\$\((string|presentation)\.([^)]*)\)", " ".join(
                value for e in admx.iter() for value in e.attrib.values())):
            self.assertIn(name, ids(tag)[0])
        for policy in admx.iterfind(".//p:policy", NS):  # what each presentation shows belongs to its policy
            name = re.fullmatch(r"\$\(presentation\.(.*)\)", policy.get("presentation"))[1]
            for table in adml:
                shown = {c.get("refId") for c in table.find(".//p:presentation[@id='%s']" % name, NS)}
                self.assertLessEqual(shown, {e.get("id") for e in policy.find("p:elements", NS)}, name)

    def test_the_template_writes_what_the_program_reads(self):
        settings = policy_settings(self.folder)
        with open(self.exe, "rb") as f:
            image = f.read()
        # The key and names are whole wide strings (no text before, NUL after); the range is within a sentence.
        for text, form in [(settings[name], rb"(?<![ -~]\0)%s\0\0") for name in ("key", "servers", "interval")] + [
                ("from %(min)d to %(max)d" % settings, b"%s")]:
            self.assertRegex(image, form % re.escape(text.encode("utf-16-le")), text)
        self.assertTrue(settings["min"] < settings["default"] <= settings["max"], settings)


if __name__ == "__main__":
    Template.folder, Template.exe = sys.argv[1:3]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:])
