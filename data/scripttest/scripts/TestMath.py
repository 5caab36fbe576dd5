# TestMath.py - the math module (Engine.py over _Engine_SWIG), run at start-up.
import Engine
import _Engine_SWIG as S
from Checks import check, equal, near, raises

V2, V3, V4, M, AABB = Engine.Vector2D, Engine.Vector3D, Engine.Vector4D, Engine.Matrix4x4, Engine.AABB


def _flat(cls, member):
    return getattr(S, cls.__name__ + '_' + member)


def RunVector(T, n):
    name = T.__name__
    parts = 'xyzw'[:n]
    a = T(*[float(i + 1) for i in range(n)])
    one = T(*([1.0] * n))
    equal(name + ' default', [getattr(T(), c) for c in parts], [0.0] * n)
    equal(name + ' copy', str(T(a)), str(a))
    for c in parts:
        v = T()
        _flat(T, c + '_set')(v, 7.0)
        equal(name + ' ' + c, _flat(T, c + '_get')(v), 7.0)
    v = T()
    v.Set(a)
    equal(name + ' Set copy', v == a, True)
    v.Set(*([2.0] * n))
    equal(name + ' Set values', v.LengthSquared(), 4.0 * n)
    check(name + ' Length', near(v.Length(), 2.0 * n ** 0.5))
    v.Normalize()
    check(name + ' Normalize', near(v.Length(), 1.0))
    check(name + ' GetNormalized', near(a.GetNormalized().Length(), 1.0))
    equal(name + ' DistanceSquared', a.DistanceSquared(one), float(sum(i * i for i in range(n))))
    check(name + ' Distance', near(a.Distance(one) ** 2, a.DistanceSquared(one)))
    v = T(one)
    check(name + ' SetLength', near(v.SetLength(3.0), n ** 0.5) and near(v.Length(), 3.0))
    check(name + ' SetLengthSquared', near(v.SetLengthSquared(4.0), 9.0))
    equal(name + ' Dot', a.Dot(one), float(sum(range(1, n + 1))))
    v = T(one)
    v.Scale(3.0)
    equal(name + ' Scale', v.x, 3.0)
    equal(name + ' NearlyEquals', (one.NearlyEquals(T(*([1.0005] * n))),
                                   one.NearlyEquals(T(*([1.0005] * n)), 0.0001)), (True, False))
    v = T(one)
    v.Add(a)
    v.Subtract(one)
    equal(name + ' Add Subtract', v == a, True)
    v.Add(a, a)
    equal(name + ' Add two', v.x, 2.0)
    v.Subtract(a, one)
    equal(name + ' Subtract two', v.x, 0.0)
    equal(name + ' != and ==', (a != one, a == T(a)), (True, True))
    v = T(a)
    v += one
    v -= one
    v *= 2.0
    v /= 2.0
    equal(name + ' in-place operators', v == a, True)
    v /= T(*([2.0] * n))
    equal(name + ' in-place division by a vector', v.x, 0.5)
    equal(name + ' binary operators', ((a + one - one) * 2.0 / 2.0) == a, True)
    equal(name + ' neg', (-a).x, -1.0)
    check(name + ' str and repr', str(a).startswith('<1, 2') and repr(a).startswith(name + '(1, 2'))
    raises(name + ' overload', T, ('x',), NotImplementedError,
           "No matching function for overloaded 'new_%s'" % name)
    raises(name + ' float range', T().Scale, (1e39,), OverflowError)
    raises(name + ' overloaded float range', T, tuple([1e39] * n), NotImplementedError)
    raises(name + ' wrong type', a.Dot, (5,), TypeError)
    raises(name + ' swigregister', _flat(T, 'swigregister'), (), TypeError)
    doomed = T()
    _flat(T, 'swiginit')(T.__new__(T), S.__dict__['new_' + name]())
    equal(name + ' delete', S.__dict__['delete_' + name](doomed), None)


def RunVectorExtras():
    v = V3(1, 0, 0)
    v.RotateZ(1.5707963)
    check('Vector3D RotateZ', near(v.y, 1.0))
    v.RotateX(1.5707963)
    check('Vector3D RotateX', near(v.z, 1.0))
    v.RotateY(1.5707963)
    check('Vector3D RotateY', near(v.x, 1.0))
    equal('Vector3D Cross', str(V3(1, 0, 0).Cross(V3(0, 1, 0))), '<0, 0, 1>')
    v = V3(1, 5, 3)
    v.MinExtent(V3(2, 2, 2))
    equal('Vector3D MinExtent', str(v), '<1, 2, 2>')
    v.MaxExtent(V3(4, 0, 0))
    equal('Vector3D MaxExtent', str(v), '<4, 2, 2>')
    equal('Vector2D Reflect', str(V2(1, -1).Reflect(V2(0, 1))), '<1, 1>')


def RunMatrix():
    equal('MakeIdentity', M.MakeIdentity().GetTrace(), 4.0)
    equal('MakeTranslation', str(M.MakeTranslation(V3(1, 2, 3)).GetTranslation()), '<1, 2, 3>')
    equal('MakeScale', M.MakeScale(V3(2, 3, 4)).GetDeterminant(), 24.0)
    for axis in 'XYZ':
        check('Make%sRotation' % axis, near(getattr(M, 'Make%sRotation' % axis)(0.5).GetDeterminant(), 1.0))
    check('MakeRotation', near(M.MakeRotation(V3(0, 1, 0), 0.5).GetDeterminant(), 1.0))
    for builder in ('MakePerspectiveProjectionFovLH', 'MakePerspectiveProjectionFovRH'):
        check(builder, getattr(M, builder)(1.0, 1.5, 0.1, 100.0).GetTrace() != 0.0)
    check('MakePerspectiveProjectionLH', M.MakePerspectiveProjectionLH(2.0, 2.0, 0.1, 100.0).GetTrace() != 0.0)
    check('MakeOrthoLH', M.MakeOrthoLH(2.0, 2.0, 0.1, 100.0).GetTrace() != 0.0)
    check('Make2DProjectionLH', M.Make2DProjectionLH(0, 640, 0, 480, 0, 1).GetTrace() != 0.0)
    for builder in ('MakeLookAtLH', 'MakeLookAtRH'):
        check(builder, near(getattr(M, builder)(V3(0, 0, -5), V3(), V3(0, 1, 0)).GetDeterminant(), 1.0))
    equal('new_Matrix4x4 copy', M(M.MakeScale(V3(2, 2, 2))).GetTrace(), 7.0)
    equal('new_Matrix4x4 axes', str(M(V3(1, 0, 0), V3(0, 1, 0), V3(0, 0, 1), V3(4, 5, 6)).GetTranslation()), '<4, 5, 6>')
    equal('new_Matrix4x4 elements', M(*[float(i) for i in range(16)]).GetTrace(), 30.0)
    raises('new_Matrix4x4 overload', M, (1, 2), NotImplementedError,
           "No matching function for overloaded 'new_Matrix4x4'")
    m = M()
    equal('Multiply float', m.Multiply(2.0).GetTrace(), 8.0)
    equal('Multiply matrix', M().Multiply(M.MakeScale(V3(2, 3, 4))).GetDeterminant(), 24.0)
    raises('Multiply string', M().Multiply, ('x',), NotImplementedError,
           "No matching function for overloaded 'Matrix4x4_Multiply'")
    equal('Divide', M().Divide(2.0).GetTrace(), 2.0)
    equal('Translate', str(M().Translate(V3(1, 0, 0)).GetTranslation()), '<1, 0, 0>')
    for axis in 'XYZ':
        check('Rotate' + axis, near(getattr(M(), 'Rotate' + axis)(0.3).GetDeterminant(), 1.0))
    t = M.MakeTranslation(V3(1, 2, 3))
    equal('GetTranspose', t.GetTranspose().GetTranslation().x, 0.0)
    t2 = M(t)
    t2.Transpose()
    equal('Transpose', t2.GetTranslation().x, 0.0)
    equal('GetFastInverse', str(t.GetFastInverse().GetTranslation()), '<-1, -2, -3>')
    equal('axes', (str(t.GetRight()), str(t.GetUp()), str(t.GetForward())),
          ('<1, 0, 0>', '<0, 1, 0>', '<0, 0, 1>'))
    equal('TransformVector', str(t.TransformVector(V3())), '<1, 2, 3>')
    equal('TransformVector no translation', str(t.TransformVector(V3(), False)), '<0, 0, 0>')
    equal('TransformVector 4D', str(t.TransformVector(V4(0, 0, 0, 1))), '<1, 2, 3, 1>')
    m = M()
    m *= M.MakeScale(V3(2, 2, 2))
    m *= 0.5
    m /= 0.5
    equal('in-place operators', m.GetTrace(), 7.0)
    check('str and repr', str(M()).startswith('<1') and repr(M()).startswith('Matrix4x4(1'))
    raises('swigregister', S.Matrix4x4_swigregister, (), TypeError)
    equal('delete', S.delete_Matrix4x4(M()), None)


def RunBox():
    box = AABB(V3(4, 5, 6), V3(1, 2, 3))
    equal('AABB corners', (box.mins.x, box.maxs.z), (1.0, 6.0))
    equal('AABB default', str(AABB().maxs), '<0, 0, 0>')
    equal('AABB copy', str(AABB(box).mins), '<1, 2, 3>')
    S.AABB_mins_set(box, V3(0, 0, 0))
    S.AABB_maxs_set(box, V3(2, 2, 2))
    S.AABB_mins_get(box).x = -2.0
    equal('AABB mins writes through', (box.mins.x, S.AABB_maxs_get(box).x), (-2.0, 2.0))
    equal('AABB member of a temporary', AABB(V3(1, 1, 1), V3(3, 3, 3)).maxs.y, 3.0)
    equal('GetCenter', str(box.GetCenter()), '<0, 1, 1>')
    equal('widths', (box.GetXWidth(), box.GetYWidth(), box.GetZWidth()), (4.0, 2.0, 2.0))
    equal('ContainsPoint', (box.ContainsPoint(V3(1, 1, 1)), box.ContainsPoint(V3(5, 1, 1))), (True, False))
    equal('Intersects', box.Intersects(AABB(V3(1, 1, 1), V3(9, 9, 9))), True)
    moved = box + V3(1, 0, 0) - V3(0, 1, 0)
    equal('AABB add sub', str(moved.mins), '<-1, -1, 0>')
    moved += V3(1, 1, 1)
    moved -= V3(0, 0, 1)
    equal('AABB in-place', str(moved.mins), '<0, 0, 0>')
    raises('new_AABB overload', AABB, (1,), NotImplementedError,
           "No matching function for overloaded 'new_AABB'")
    raises('AABB swigregister', S.AABB_swigregister, (), TypeError)
    equal('delete_AABB', S.delete_AABB(AABB()), None)


def RunController(body):
    pc = Engine.PlayerController()
    raises('PlayerController Init', pc.Init, (5,), TypeError, 'argument must be a WorldObject.')
    equal('PlayerController Init body', pc.Init(body), True)
    pc.SetHeadingAngle(0.25)
    pc.SetRunSpeed(6.0)
    pc.SetWalkSpeed(2.0)
    equal('PlayerController Update', pc.Update(S.PlayerController_moveForward), None)
    equal('PlayerController constants', (S.PlayerController_moveLeft, S.PlayerController_moveJump,
                                         S.PlayerController_moveWalk), (1, 16, 64))
    raises('PlayerController swigregister', S.PlayerController_swigregister, (), TypeError)
    equal('delete_PlayerController', S.delete_PlayerController(Engine.PlayerController()), None)

    k = Engine.FloatKeyTrack()
    k.Initialize(0.0, 10.0, 2.0)
    k.InsertKeyframe(4.0, 0.0)
    equal('FloatKeyTrack', (k.GetKeyframeCount(), k.Sample(1.0), k.GetKeyframeTime(2),
                            k.GetKeyframeValue(1)), (3, 5.0, 4.0, 10.0))
    k.Normalize()
    equal('FloatKeyTrack Normalize', k.GetKeyframeTime(1), 0.5)
    k.Initialize()
    equal('FloatKeyTrack Initialize', k.GetKeyframeCount(), 0)
    equal('FloatKeyTrack from start to end', Engine.FloatKeyTrack(2.0, 4.0, 1.0).Sample(0.5), 3.0)
    raises('FloatKeyTrack swigregister', S.FloatKeyTrack_swigregister, (), TypeError)
    equal('delete_FloatKeyTrack', S.delete_FloatKeyTrack(Engine.FloatKeyTrack()), None)


def Run(application, body):
    for T, n in ((V2, 2), (V3, 3), (V4, 4)):
        RunVector(T, n)
    RunVectorExtras()
    RunMatrix()
    RunBox()
    RunController(body)
