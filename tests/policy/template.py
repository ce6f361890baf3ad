#!/usr/bin/env python3
# The Group Policy template: its three files parse, and every text and presentation it names exists in English and
# German alike. The policy journey imports policy_settings() and writes policy values exactly where and as the
# template has the policy client write them: that the service reads that key, those names and that range is shown
# there, by the service itself.
# Usage: template.py <policy folder> [unittest arguments]
import os
import re
import sys
import unittest
from xml.etree import ElementTree

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}


def parse(folder, language=""):
    return ElementTree.parse(os.path.join(folder, language, "HoralSvc.adml" if language else "HoralSvc.admx")).getroot()


def policy_settings(folder):
    # The key, the value names and the interval's range, as the template has them.
    admx = parse(folder)
    (text,), (decimal,) = (list(admx.iterfind(".//p:" + element, NS)) for element in ("text", "decimal"))
    (key,) = {policy.get("key") for policy in admx.iterfind(".//p:policy", NS)}  # one key for both
    return {"key": key, "servers": text.get("valueName"), "interval": decimal.get("valueName"),
            "min": int(decimal.get("minValue")), "max": int(decimal.get("maxValue"))}


class Template(unittest.TestCase):
    folder = None

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


if __name__ == "__main__":
    Template.folder = sys.argv[1]
    unittest.main(argv=sys.argv[:1] + sys.argv[2:])
