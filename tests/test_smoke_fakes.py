def test_fakes_record_in_order(cs, host):
    sel = cs.ColumnsByRegex(manager=host.manager, on_change=host.on_change)
    assert host.log == [("Text", {"placeholder": "Regex, e.g. e$", "focus_after_init": True, "width": "sm",
                                  "execute": host.transformation, "on_change": host.on_change})]
    assert list(host.log[0][1]) == ["placeholder", "focus_after_init", "width", "execute", "on_change"]
    assert sel.children == (sel.text,)
