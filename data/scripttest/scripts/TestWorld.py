# TestWorld.py - the _World module, run at start-up.
import Engine
import _World
from Checks import check, equal, raises

V = Engine.Vector3D
M = Engine.Matrix4x4

NOT_OBJECT = 'parameter 1 must be a WorldObject.'


def _typed(name, function, args, kind):
    raises(name + ' wrong type', function, args, TypeError,
           'parameter 1 must be a %s WorldObject.' % kind)


def RunWorld():
    equal('Reset', _World.Reset(), None)
    equal('SetNearZ', _World.SetNearZ(0.5), None)
    equal('GetNearZ', _World.GetNearZ(), 0.5)
    equal('GetFarZ untouched', _World.GetFarZ(), 100.0)
    equal('SetFarZ', _World.SetFarZ(200.0), None)
    equal('GetFarZ', _World.GetFarZ(), 200.0)
    _World.SetNearZ(0.1)
    _World.SetFarZ(100.0)
    equal('SetGravity', _World.SetGravity(V(0, -10, 0)), None)
    equal('GetGravity', _World.GetGravity().y, -10.0)
    raises('SetGravity wrong type', _World.SetGravity, ((0, 1, 0),), TypeError)
    _World.SetGravity(V(0, -9.8, 0))

    raises('CreateObject type 0', _World.CreateObject, (0, {}), TypeError,
           'first param must be a valid object type ID.')
    raises('CreateObject type 11', _World.CreateObject, (11, {}), TypeError,
           'first param must be a valid object type ID.')
    raises('CreateObject list', _World.CreateObject, (1, []), TypeError,
           'second param must be kwargs (ie. a dict)')
    light = _World.CreateObject(5, {'colType': 9, 'visible': 0, 'color': Engine.Vector4D(1, 0, 0, 1)})
    equal('light created', _World.objGetType(light), 5)
    equal('visible only from True/False', _World.objIsVisible(light), True)
    equal('RemoveObject', _World.RemoveObject(light), None)
    raises('RemoveObject wrong type', _World.RemoveObject, (3,), TypeError, NOT_OBJECT)

    material = _World.CreateRenderMaterial('RenderEffects/default.fx', {'diffuse': 'none.png'})
    # None only when the effect does not compile here (the engine logs why).
    check('CreateRenderMaterial', material is None or isinstance(material, _World.RenderMaterial))
    equal('CreateRenderMaterial missing effect', _World.CreateRenderMaterial('nosuch.fx', {}), None)
    raises('CreateRenderMaterial list', _World.CreateRenderMaterial, ('x.fx', []), TypeError,
           'Second parameter must be a dictionary')

    camera = _World.CreateObject(2, {'transform': M.MakeTranslation(V(0, 2, -10))})
    equal('SetRenderCamera', _World.SetRenderCamera(camera), None)
    equal('GetRenderCamera', _World.objIsEqual(_World.GetRenderCamera(), camera), True)
    _World.SetRenderCamera(None)
    equal('SetRenderCamera None', _World.GetRenderCamera(), None)
    _World.SetRenderCamera(camera)

    box = _World.CreateObject(1, {'colType': 2, 'mins': V(-1, -1, -1), 'maxs': V(1, 1, 1),
                                  'transform': M.MakeTranslation(V(0, 0, 20))})
    hit = _World.IntersectRay(V(0, 0, 0), V(0, 0, 1), 1)
    check('IntersectRay hit', hit is not None and len(hit) == 5 and hit[1] is None)
    if hit:
        equal('objIsEqual across IntersectRay', _World.objIsEqual(hit[0], box), True)
        check('IntersectRay point', abs(hit[2].z - 19.0) < 0.01, str(hit[2]))
    equal('IntersectRay miss', _World.IntersectRay(V(0, 0, 0), V(0, 0, -1), 3), None)
    return camera, box


def RunObjects(box):
    a = _World.CreateObject(1, {'dynamic': True, 'colType': 1, 'radius': 0.5,
                                'transform': M.MakeTranslation(V(5, 5, 0))})
    b = _World.CreateObject(1, {})
    equal('objIsEqual', (_World.objIsEqual(a, a), _World.objIsEqual(a, b)), (True, False))
    equal('objGetType', _World.objGetType(b), 1)
    raises('objGetType wrong type', _World.objGetType, (None,), TypeError, NOT_OBJECT)
    equal('objSetSphereRadius', _World.objSetSphereRadius(b, 2.5), None)
    equal('objGetSphereRadius', _World.objGetSphereRadius(b), 2.5)
    equal('objSetBoundingBox', _World.objSetBoundingBox(b, V(-1, -2, -3), V(1, 2, 3)), None)
    mins, maxs = _World.objGetBoundingBox(b)
    equal('objGetBoundingBox', (mins.y, maxs.z), (-2.0, 3.0))
    t = _World.objSetWorldTransform(b, M.MakeTranslation(V(1, 2, 3)))
    equal('objSetWorldTransform', t.GetTranslation().z, 3.0)
    equal('objGetWorldTransform', _World.objGetWorldTransform(b).GetTranslation().y, 2.0)
    equal('objSetVisible', _World.objSetVisible(b, 0), None)
    equal('objIsVisible', _World.objIsVisible(b), False)
    equal('objSetVelocity', _World.objSetVelocity(a, V(1, 0, 0)), None)
    check('objGetVelocity', abs(_World.objGetVelocity(a).x - 1.0) < 0.01)
    equal('objApplyForce', _World.objApplyForce(a, V(0, 0, 0), V(0, 1, 0), 1), None)
    equal('objSetLinearDamping', _World.objSetLinearDamping(a, 0.1), None)
    equal('objSetAngularDamping', _World.objSetAngularDamping(a, V(0.1, 0.1, 0.1)), None)
    equal('objSetAutoFreeze', _World.objSetAutoFreeze(a, 0), None)
    equal('objIsOnGround', _World.objIsOnGround(a), False)
    equal('objSetOnGroundThreshold', _World.objSetOnGroundThreshold(a, 0.3), None)
    raises('objAttachObject type 3', _World.objAttachObject, (a, b, 3, 0), TypeError,
           'param 3 must be a valid attach type ID.')
    raises('objAttachObject type -1', _World.objAttachObject, (a, b, -1, 0), TypeError,
           'param 3 must be a valid attach type ID.')
    raises('objAttachObject objects', _World.objAttachObject, (a, 1, 0, 0), TypeError,
           'parameter 1 and 2 must be WorldObjects.')
    equal('objAttachObject', _World.objAttachObject(box, b, 0, 1), True)
    equal('objDetachObject', _World.objDetachObject(box, b), True)
    raises('objDetachObject objects', _World.objDetachObject, (a, None), TypeError,
           'parameter 1 and 2 must be WorldObjects.')

    class Mine(_World.WorldObject):
        pass
    raises('subclass without object', _World.objGetType, (Mine(),), TypeError, NOT_OBJECT)
    return a


def RunTypes(camera, body):
    for name, function, args in (
            ('objDynMeshPlayCycleAnimation', _World.objDynMeshPlayCycleAnimation, (body, 'walk', 1.0, 0.0)),
            ('objDynMeshPlayActionAnimation', _World.objDynMeshPlayActionAnimation, (body, 'jump', 0.1, 0.1)),
            ('objDynMeshStopAnimation', _World.objDynMeshStopAnimation, (body, 'walk', 0.1)),
            ('objDynMeshStopAllAnimations', _World.objDynMeshStopAllAnimations, (body, 0)),
            ('objDynMeshGetBonePosition', _World.objDynMeshGetBonePosition, (body, 'head')),
            ('objDynMeshGetAnimLength', _World.objDynMeshGetAnimLength, (body, 'walk'))):
        _typed(name, function, args, 'DynamicMesh')
    for name, function, args in (('psEmitOnce', _World.psEmitOnce, (body,)),
                                 ('psSetSpawnVelocity', _World.psSetSpawnVelocity, (body, V(), V()))):
        _typed(name, function, args, 'ParticleSystem')

    equal('objCamSetSecondaryTransform',
          _World.objCamSetSecondaryTransform(camera, M.MakeTranslation(V(0, 1, 0))), True)
    equal('objCamGetSecondaryTransform',
          _World.objCamGetSecondaryTransform(camera).GetTranslation().y, 1.0)
    equal('objCamGetSecondaryTransform other', _World.objCamGetSecondaryTransform(body).GetTrace(), 4.0)
    equal('objCamAttachPVObject', _World.objCamAttachPVObject(camera, body), None)
    equal('objCamDetachPVObject', _World.objCamDetachPVObject(camera, body), None)
    raises('objCamAttachPVObject second', _World.objCamAttachPVObject, (camera, 1), TypeError,
           'parameter 2 must be a WorldObject.')
    _typed('objCamDetachPVObject', _World.objCamDetachPVObject, (body, camera), 'Camera')

    path = _World.CreateObject(8, {})
    raises('animAddWaypoint rotation', _World.animAddWaypoint, (path, M(), 1.0, 4, None), TypeError,
           'rotation type ID is invalid.')
    _World.animAddWaypoint(path, M(), 1.0, 0, None)
    equal('animAddWaypoint', _World.animAddWaypoint(path, M.MakeTranslation(V(0, 0, 5)), 1.0, 0, body), None)
    equal('animGetWaypointCount', _World.animGetWaypointCount(path), 2)
    equal('animPlayObject', _World.animPlayObject(path, _World.CreateObject(1, {}), 1, 0.0), True)
    equal('animRemoveAllWaypoints', _World.animRemoveAllWaypoints(path), None)
    _typed('animGetWaypointCount', _World.animGetWaypointCount, (body,), 'AnimPath')

    sound = _World.CreateObject(7, {'positional': False})
    equal('sndPlay', _World.sndPlay(sound, 0), True)
    equal('sndPause', _World.sndPause(sound, 1), True)
    _typed('sndPlay', _World.sndPlay, (body, 1), 'Sound')

    for kind, keys in ((6, {'type': 1, 'object1': body, 'stiffness': 0.5}),
                       (10, {'type': 1, 'fluidDensity': 2}),
                       (9, {'maxParticles': 10, 'colorKeys': [(0.0, Engine.Vector4D(1, 1, 1, 1))]})):
        _World.CreateObject(kind, keys)


def Run(application):
    camera, box = RunWorld()
    body = RunObjects(box)
    RunTypes(camera, body)
    return body
