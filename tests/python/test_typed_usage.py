import typed_usage


def test_the_typed_usage_runs():
    typed_usage.main()
