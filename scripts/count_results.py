#!/usr/bin/env python3
"""Adds up the test cases of every build directory given: GoogleTest's XML per test
program where it wrote one, ctest's own verdict otherwise (a program that crashed
before writing its XML counts as one failure). Prints the failures, then the plain
closing line 'N passed, N failed' and exits non-zero when anything failed."""
import os
import sys
import xml.etree.ElementTree as ET

passed = failed = skipped = 0
failures = []

for d in sys.argv[1:]:
    results = os.path.join(d, "results")
    ctest_xml = os.path.join(results, "ctest.xml")
    if not os.path.exists(ctest_xml):
        failures.append(f"{d}: no test results")
        failed += 1
        continue
    for case in ET.parse(ctest_xml).getroot().iter("testcase"):
        name = case.get("name")
        ctest_failed = case.find("failure") is not None or case.get("status") == "fail"
        ctest_skipped = case.find("skipped") is not None or case.get("status") in ("disabled", "notrun")
        gtest_xml = os.path.join(results, f"{name}.xml")
        if os.path.exists(gtest_xml):
            try:
                root = ET.parse(gtest_xml).getroot()
            except ET.ParseError:
                root = None
            if root is not None:
                for tc in root.iter("testcase"):
                    label = f"{os.path.basename(d)}: {tc.get('classname')}.{tc.get('name')}"
                    if tc.get("result") == "skipped" or tc.find("skipped") is not None:
                        skipped += 1
                    elif tc.find("failure") is not None:
                        failed += 1
                        failures.append(label)
                    else:
                        passed += 1
                if ctest_failed and not any(tc.find("failure") is not None for tc in root.iter("testcase")):
                    failed += 1
                    failures.append(f"{os.path.basename(d)}: {name} exited with an error")
                continue
        if ctest_skipped:
            skipped += 1
        elif ctest_failed:
            failed += 1
            failures.append(f"{os.path.basename(d)}: {name}")
        else:
            passed += 1

for f in failures[:100]:
    print(f"FAILED {f}")
line = f"{passed} passed, {failed} failed"
if skipped:
    line += f", {skipped} skipped"
print(line)
sys.exit(1 if failed else 0)
